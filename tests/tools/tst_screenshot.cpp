#include "fullfilesystem.h"
#include "testmain.h"

#include "shell/frmmain.h"
#include "tools/screenshot.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QScreen>
#include <QtTest>

#include <ctime>
#include <optional>

class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void fileName();
    void shotsArePngsOfTheScreenAndNeverOverwrite();
    void menuItemReportsFailureAndGoesOn();
    void nameReadsTheClockOnce();
    void nameIsTheLocalTimeInAnyZone();
    void fullDiskLeavesNoPicture();

private:
    QLabel m_picSC; // hidden, like the main window's
};

void TestScreenshot::cleanup()
{
    qunsetenv("HOPWISE_PROGRAM_DIR");
    qunsetenv("HOPWISE_UPDATE_SERVER");
}

void TestScreenshot::fileName()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate day(2006, 7, 13);
    QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), english), "Jul 13 06 19 08 31.png");
    QCOMPARE(screenshotFileName(day, QTime(7, 5, 9), english), "Jul 13 06 7 05 09.png");
    // Day and year always take two digits; the hour never does.
    QCOMPARE(screenshotFileName(QDate(2009, 1, 5), QTime(0, 0, 0), english),
             "Jan 05 09 0 00 00.png");
    QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), QLocale(QLocale::French)),
             "juil. 13 06 19 08 31.png");
}

void TestScreenshot::shotsArePngsOfTheScreenAndNeverOverwrite()
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QStringLiteral("/not/yet/there");
    const QString folder = programDir + QStringLiteral("/screenshots/");
    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, programDir);
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QCOMPARE(QFileInfo(shot.path).absolutePath() + QLatin1Char('/'), folder);
    QFile file(shot.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage saved = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
    const QScreen *screen = QGuiApplication::primaryScreen();
    QCOMPARE(saved.size(), screen->size() * screen->devicePixelRatio());
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), saved);
    QCOMPARE(m_picSC.pixmap().toImage().convertToFormat(QImage::Format_RGB32), saved);

    // Earlier shots hold the names of this second and the next few: two more shots in one second.
    QVERIFY(QFile::remove(shot.path));
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s <= 10; ++s) {
        const QDateTime t = now.addSecs(s);
        QFile f(folder + screenshotFileName(t.date(), t.time(), QLocale()));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier shot"));
    }
    const ScreenshotResult first = takeScreenshot(&m_picSC, &m_picSC, programDir);
    const ScreenshotResult second = takeScreenshot(&m_picSC, &m_picSC, programDir);
    QVERIFY2(first.ok() && second.ok(), qPrintable(first.error + second.error));
    QVERIFY2(first.path.endsWith(QStringLiteral(" (2).png")), qPrintable(first.path));
    QVERIFY(first.path != second.path);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 11 + 2);
}

void TestScreenshot::menuItemReportsFailureAndGoesOn()
{
    // "screenshots" taken by a plain file: the folder can be neither found nor made.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/screenshots");
    QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    qputenv("HOPWISE_PROGRAM_DIR", dir.path().toLocal8Bit());
    // Nothing listens there: the home page the window loads when shown goes nowhere.
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    FrmMain frmMain;
    auto *mnuScreenshot = frmMain.findChild<QAction *>(QStringLiteral("mnuScreenshot"));
    QVERIFY(mnuScreenshot);
    mnuScreenshot->trigger();
    // Told before the window is on screen, the notice waits for it.
    auto *notice = frmMain.findChild<QLabel *>(QStringLiteral("notice"));
    QVERIFY(notice && !notice->isVisible());
    frmMain.show();
    QTRY_VERIFY(notice->isVisible());
    QVERIFY(notice->text().contains(QStringLiteral("screenshots")));
    QVERIFY(!QApplication::activeModalWidget());

    QVERIFY(QFile::remove(folder));
    mnuScreenshot->trigger();
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 1);
}

void TestScreenshot::nameReadsTheClockOnce()
{
    // Midnight passes between a first and a second look at the clock: the name must be the
    // one moment, not the old date with the new time.
    const QDateTime lastSecond(QDate(2026, 12, 6), QTime(23, 59, 59, 999));
    const QDateTime midnight(QDate(2026, 12, 7), QTime(0, 0));
    int reads = 0;
    setScreenshotClockForTesting([&] { return reads++ == 0 ? lastSecond : midnight; });
    QTemporaryDir dir;
    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, dir.path());
    setScreenshotClockForTesting({});
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QCOMPARE(reads, 1);
    QCOMPARE(QFileInfo(shot.path).fileName(),
             screenshotFileName(lastSecond.date(), lastSecond.time(), QLocale()));
}

void TestScreenshot::nameIsTheLocalTimeInAnyZone()
{
    // The tests run in UTC, where any clock would do. This zone is not a whole hour away, so a
    // shot named by another clock is off in its minutes too; a POSIX rule needs no zone files.
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("TZ") ? std::optional(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", "NPT-5:45");
    tzset();
    QTemporaryDir dir;
    const QDateTime before = QDateTime::currentDateTime();
    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, dir.path());
    const QDateTime after = QDateTime::currentDateTime();
    QStringList names; // of every second the shot may have been taken in
    for (QDateTime t = before; t <= after.addSecs(1); t = t.addSecs(1))
        names << screenshotFileName(t.date(), t.time(), QLocale());
    saved ? qputenv("TZ", *saved) : qunsetenv("TZ");
    tzset();
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QVERIFY2(names.contains(QFileInfo(shot.path).fileName()), qPrintable(shot.path));
}

void TestScreenshot::fullDiskLeavesNoPicture()
{
    FullFileSystem full;
    const QString folder = full.filePath(QStringLiteral("screenshots"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(full.fill());
    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, full.path());
    QVERIFY(!shot.ok());
    QVERIFY2(shot.error.contains(QStringLiteral("could not be saved")), qPrintable(shot.error));
    QVERIFY(shot.path.isEmpty());
    // A truncated picture under a shot's name would pass for a real one.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());

    full.makeRoom();
    const ScreenshotResult later = takeScreenshot(&m_picSC, &m_picSC, full.path());
    QVERIFY2(later.ok(), qPrintable(later.error));
}

HOPWISE_TEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
