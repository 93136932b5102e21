#include "testmain.h"

#include "shell/frmmain.h"
#include "tools/screenshot.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QSize screenPixels()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen->geometry().size() * screen->devicePixelRatio();
}

// Every name a shot taken between the two moments can have.
QStringList namesBetween(const QDateTime &from, const QDateTime &to)
{
    QStringList names;
    const QLocale locale;
    for (QDateTime t = from.addMSecs(-from.time().msec()); t <= to; t = t.addSecs(1))
        names << screenshotFileName(t.date(), t.time(), locale);
    return names;
}

} // namespace

class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileName_data();
    void fileName();
    void candidateName_data();
    void candidateName();
    void savesPngOfTheScreen();
    void clipboardHoldsThePicture();
    void twoShotsInOneSecond();
    void takenNamesAreSkipped();
    void missingFolderIsCreated();
    void unwritableFolderIsReported();
    void menuItemSavesIntoProgramDir();

private:
    QWidget m_window;
    QLabel *m_picSC = nullptr;
};

void TestScreenshot::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_picSC = new QLabel(&m_window);
    m_picSC->hide();
    m_window.resize(200, 100);
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
}

void TestScreenshot::fileName_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate day(2006, 7, 13);
    QTest::newRow("evening: 24-hour clock")
        << day << QTime(19, 8, 31) << english << "Jul 13 06 19 08 31.png";
    QTest::newRow("morning: hour without leading zero")
        << day << QTime(7, 5, 9) << english << "Jul 13 06 7 05 09.png";
    QTest::newRow("midnight") << day << QTime(0, 0, 0) << english << "Jul 13 06 0 00 00.png";
    QTest::newRow("single-digit day and year")
        << QDate(2009, 1, 2) << QTime(23, 59, 59) << english << "Jan 02 09 23 59 59.png";
    QTest::newRow("year 2000") << QDate(2000, 12, 31) << QTime(12, 0, 0) << english
                               << "Dec 31 00 12 00 00.png";
    QTest::newRow("locale's own month")
        << day << QTime(19, 8, 31) << QLocale(QLocale::French, QLocale::France)
        << "juil. 13 06 19 08 31.png";
}

void TestScreenshot::fileName()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(screenshotFileName(date, time, locale), expected);
}

void TestScreenshot::candidateName_data()
{
    QTest::addColumn<int>("attempt");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << 1 << "Jul 13 06 19 08 31.png";
    QTest::newRow("second") << 2 << "Jul 13 06 19 08 31 (2).png";
    QTest::newRow("tenth") << 10 << "Jul 13 06 19 08 31 (10).png";
}

void TestScreenshot::candidateName()
{
    QFETCH(int, attempt);
    QFETCH(QString, expected);
    QCOMPARE(screenshotCandidateName(QStringLiteral("Jul 13 06 19 08 31.png"), attempt), expected);
}

void TestScreenshot::savesPngOfTheScreen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("screenshots")));

    const QDateTime before = QDateTime::currentDateTime();
    const ScreenshotResult shot = takeScreenshot(&m_window, m_picSC, dir.path());
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY2(shot.ok(), qPrintable(shot.error));

    const QFileInfo info(shot.path);
    QCOMPARE(info.absolutePath(), dir.path() + QStringLiteral("/screenshots"));
    QVERIFY2(namesBetween(before, after).contains(info.fileName()), qPrintable(info.fileName()));

    const QByteArray bytes = readAll(shot.path);
    QVERIFY(bytes.startsWith(PngSignature));
    QImage image;
    QVERIFY(image.loadFromData(bytes, "PNG"));
    QCOMPARE(image.size(), screenPixels());
    // picSC keeps the picture that was saved.
    QCOMPARE(m_picSC->pixmap().size(), screenPixels());
    QCOMPARE(m_picSC->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             image.convertToFormat(QImage::Format_RGB32));
}

void TestScreenshot::clipboardHoldsThePicture()
{
    QTemporaryDir dir;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("held before the shot"));

    const ScreenshotResult shot = takeScreenshot(&m_window, m_picSC, dir.path());
    QVERIFY2(shot.ok(), qPrintable(shot.error));

    QVERIFY(clipboard->text().isEmpty());
    const QImage held = clipboard->image();
    QCOMPARE(held.size(), screenPixels());
    QCOMPARE(held.convertToFormat(QImage::Format_RGB32),
             QImage(shot.path).convertToFormat(QImage::Format_RGB32));
}

void TestScreenshot::twoShotsInOneSecond()
{
    QTemporaryDir dir;
    const ScreenshotResult first = takeScreenshot(&m_window, m_picSC, dir.path());
    QVERIFY2(first.ok(), qPrintable(first.error));
    const QByteArray firstBytes = readAll(first.path);
    const ScreenshotResult second = takeScreenshot(&m_window, m_picSC, dir.path());
    QVERIFY2(second.ok(), qPrintable(second.error));

    QVERIFY(first.path != second.path);
    QCOMPARE(readAll(first.path), firstBytes);
    QVERIFY(readAll(second.path).startsWith(PngSignature));
    QCOMPARE(QDir(dir.path() + QStringLiteral("/screenshots")).entryList(QDir::Files).size(), 2);
}

void TestScreenshot::takenNamesAreSkipped()
{
    // Earlier shots under every name this second and the next few can give, numbered ones too.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(folder));
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList names = namesBetween(now, now.addSecs(10));
    for (const QString &name : names) {
        for (int attempt : {1, 2}) {
            QFile f(folder + QLatin1Char('/') + screenshotCandidateName(name, attempt));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier shot");
        }
    }

    const ScreenshotResult shot = takeScreenshot(&m_window, m_picSC, dir.path());
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QVERIFY2(shot.path.endsWith(QStringLiteral(" (3).png")), qPrintable(shot.path));
    QVERIFY(readAll(shot.path).startsWith(PngSignature));
    for (const QString &name : names)
        QCOMPARE(readAll(folder + QLatin1Char('/') + name), QByteArray("earlier shot"));
}

void TestScreenshot::missingFolderIsCreated()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QStringLiteral("/not/yet/there");
    const ScreenshotResult shot = takeScreenshot(&m_window, m_picSC, programDir);
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QVERIFY(QFileInfo(programDir + QStringLiteral("/screenshots")).isDir());
    QVERIFY(QFileInfo(shot.path).isFile());
}

void TestScreenshot::unwritableFolderIsReported()
{
    // "screenshots" taken by a plain file: the folder can be neither found nor made.
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/screenshots"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const ScreenshotResult shot = takeScreenshot(&m_window, m_picSC, dir.path());
    QVERIFY(!shot.ok());
    QVERIFY(shot.path.isEmpty());
    QVERIFY(shot.error.contains(QStringLiteral("screenshots")));
    // The picture was still taken.
    QCOMPARE(m_picSC->pixmap().size(), screenPixels());
}

void TestScreenshot::menuItemSavesIntoProgramDir()
{
    QTemporaryDir dir;
    qputenv("HOPWISE_PROGRAM_DIR", dir.path().toLocal8Bit());
    FrmMain frmMain;
    auto *mnuScreenshot = frmMain.findChild<QAction *>(QStringLiteral("mnuScreenshot"));
    auto *picSC = frmMain.findChild<QLabel *>(QStringLiteral("picSC"));
    QVERIFY(mnuScreenshot && picSC);

    mnuScreenshot->trigger();
    const QStringList files =
        QDir(dir.path() + QStringLiteral("/screenshots")).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(readAll(dir.path() + QStringLiteral("/screenshots/") + files.first())
                .startsWith(PngSignature));
    QCOMPARE(picSC->pixmap().size(), screenPixels());
    QVERIFY(!picSC->isVisible());

    // A failing shot says so without a dialog and the window goes on.
    QVERIFY(QDir(dir.path() + QStringLiteral("/screenshots")).removeRecursively());
    QFile blocker(dir.path() + QStringLiteral("/screenshots"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    mnuScreenshot->trigger();
    auto *notice = frmMain.findChild<QLabel *>(QStringLiteral("notice"));
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QVERIFY(notice->text().contains(QStringLiteral("screenshots")));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    qunsetenv("HOPWISE_PROGRAM_DIR");
}

HOPWISE_TEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
