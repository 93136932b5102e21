#include "testmain.h"

#include "shell/frmmain.h"
#include "tools/screenshot.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QScreen>
#include <QtTest>

namespace {

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void fileName();
    void shotIsAPngOfTheScreenOnTheClipboard();
    void shotsNeverOverwrite();
    void menuItemReportsFailureAndGoesOn();

private:
    QLabel m_picSC; // hidden, like the main window's
};

void TestScreenshot::fileName()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate day(2006, 7, 13);
    QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), english), "Jul 13 06 19 08 31.png");
    QCOMPARE(screenshotFileName(day, QTime(7, 5, 9), english), "Jul 13 06 7 05 09.png");
    QCOMPARE(screenshotFileName(QDate(2009, 1, 2), QTime(0, 0), english), "Jan 02 09 0 00 00.png");
    QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), QLocale(QLocale::French)),
             "juil. 13 06 19 08 31.png");
}

void TestScreenshot::shotIsAPngOfTheScreenOnTheClipboard()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QStringLiteral("/not/yet/there");
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("held before the shot"));

    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, programDir);
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QCOMPARE(QFileInfo(shot.path).absolutePath(), programDir + QStringLiteral("/screenshots"));
    const QByteArray bytes = readAll(shot.path);
    QVERIFY(bytes.startsWith(PngSignature));
    const QImage saved = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
    const QScreen *screen = QGuiApplication::primaryScreen();
    QCOMPARE(saved.size(), screen->size() * screen->devicePixelRatio());
    QVERIFY(clipboard->text().isEmpty());
    QCOMPARE(clipboard->image().convertToFormat(QImage::Format_RGB32), saved);
    QCOMPARE(m_picSC.pixmap().toImage().convertToFormat(QImage::Format_RGB32), saved);
}

void TestScreenshot::shotsNeverOverwrite()
{
    // Earlier shots hold the names of this second and the next few.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/screenshots/");
    QVERIFY(QDir().mkpath(folder));
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s <= 10; ++s) {
        const QDateTime t = now.addSecs(s);
        QFile f(folder + screenshotFileName(t.date(), t.time(), QLocale()));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier shot"));
    }

    const ScreenshotResult first = takeScreenshot(&m_picSC, &m_picSC, dir.path());
    const ScreenshotResult second = takeScreenshot(&m_picSC, &m_picSC, dir.path());
    QVERIFY2(first.ok() && second.ok(), qPrintable(first.error + second.error));
    QVERIFY2(first.path.endsWith(QStringLiteral(" (2).png")), qPrintable(first.path));
    QVERIFY(first.path != second.path);
    QVERIFY(readAll(second.path).startsWith(PngSignature));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 11 + 2);
}

void TestScreenshot::menuItemReportsFailureAndGoesOn()
{
    // "screenshots" taken by a plain file: the folder can be neither found nor made.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/screenshots");
    QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    qputenv("HOPWISE_PROGRAM_DIR", dir.path().toLocal8Bit());
    FrmMain frmMain;
    auto *mnuScreenshot = frmMain.findChild<QAction *>(QStringLiteral("mnuScreenshot"));
    mnuScreenshot->trigger();
    auto *notice = frmMain.findChild<QLabel *>(QStringLiteral("notice"));
    QVERIFY(notice->isVisible() && notice->text().contains(QStringLiteral("screenshots")));
    QVERIFY(!QApplication::activeModalWidget());

    QVERIFY(QFile::remove(folder));
    mnuScreenshot->trigger();
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(readAll(folder + QLatin1Char('/') + files.first()).startsWith(PngSignature));
    qunsetenv("HOPWISE_PROGRAM_DIR");
}

HOPWISE_TEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
