#include "fullfilesystem.h"
#include "testmain.h"

#include "shell/frmmain.h"
#include "tools/screencapture.h"
#include "tools/screenshot.h"

#include <QAction>
#include <QClipboard>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <ctime>

namespace {

const QString PortalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// The picture the portal hands over; a plain one must still count as a picture.
QImage pattern(bool plain = false)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(plain ? Qt::black : Qt::darkCyan);
    if (!plain)
        QPainter(&image).fillRect(8, 8, 20, 12, Qt::yellow);
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    image.save(&buffer, "PNG");
    return data;
}

// The screen as the compositor's own capture tool sees it.
QImage grim()
{
    QProcess process;
    process.start(QStringLiteral("grim"), {QStringLiteral("-")});
    if (!process.waitForFinished() || process.exitCode() != 0)
        return {};
    return rgb(QImage::fromData(process.readAllStandardOutput(), "PNG"));
}

// Whether a picture as grim() gives it shows colour anywhere.
bool shows(const QImage &screen, Qt::GlobalColor colour)
{
    const auto *pixels = reinterpret_cast<const QRgb *>(screen.constBits());
    return std::count(pixels, pixels + screen.sizeInBytes() / 4, QColor(colour).rgb()) > 0;
}

// A stand-in for the desktop's screenshot portal, on a bus connection of its own: it owns the
// portal's name and answers Screenshot the way its mode says, so the tests can have what a real
// desktop does only when a person is in front of it (cancel, a late answer, no answer at all).
//   answer   replies with the request handle, then answers with the file's URI
//   early    answers on the request path before replying
//   hold     replies, then answers once answerHeld() is called
//   cancel, other  answers 1 (cancelled by the user) or 2 (ended otherwise)
//   refuse   replies with an error;  never  replies and never answers
//   silent   neither replies nor answers;  nouri  answers 0 without a URI
// A request that a portal client must not send (interactive, or without a handle token) gets an
// error reply.
class PortalStandIn : public QDBusVirtualObject
{
public:
    void start(const QByteArray &mode, const QString &file = {})
    {
        m_mode = mode;
        m_file = file;
        QVERIFY(m_bus.registerVirtualObject(PortalPath, this, QDBusConnection::SubPath));
        QVERIFY(m_bus.registerService(PortalName));
    }
    void stop()
    {
        m_bus.unregisterService(PortalName);
        m_bus.unregisterObject(PortalPath, QDBusConnection::UnregisterTree);
        asked.clear();
        closed.clear();
    }
    // Answers the requests held so far, and from now on every request at once.
    void answerHeld()
    {
        m_mode = "answer";
        for (const QString &path : std::as_const(asked))
            respond(path);
    }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &bus) override
    {
        if (message.interface() == QLatin1String("org.freedesktop.portal.Request") &&
            message.member() == QLatin1String("Close")) {
            closed += message.path();
            return bus.send(message.createReply());
        }
        if (message.interface() != QLatin1String("org.freedesktop.portal.Screenshot") ||
            message.member() != QLatin1String("Screenshot"))
            return false;
        const auto options = qdbus_cast<QVariantMap>(message.arguments().value(1));
        const QString token = options.value(QStringLiteral("handle_token")).toString();
        if (token.isEmpty() || options.value(QStringLiteral("interactive"), true).toBool())
            return bus.send(
                message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no")));
        const QString path = PortalPath + QStringLiteral("/request/") +
                             message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')) +
                             QLatin1Char('/') + token;
        asked += path;
        if (m_mode == "silent")
            return true;
        if (m_mode == "refuse")
            return bus.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.portal.Error.NotAllowed"), QStringLiteral("no")));
        if (m_mode == "early")
            respond(path);
        bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        // A real portal answers after its reply has gone out.
        if (m_mode != "early" && m_mode != "hold" && m_mode != "never")
            respond(path);
        return true;
    }

    QStringList asked;  // the request path of every Screenshot call
    QStringList closed; // the path of every request closed

private:
    void respond(const QString &path)
    {
        const uint response = m_mode == "cancel" ? 1 : m_mode == "other" ? 2 : 0;
        QVariantMap results;
        if (response == 0 && m_mode != "nouri")
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(m_file).toString());
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        m_bus.send(signal << response << results);
    }

    QDBusConnection m_bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("standin"));
    QByteArray m_mode;
    QString m_file;
};

} // namespace

// "Take SS": grabbed from the X11 screen; through a stand-in for the desktop's portal on the
// private session bus CTest gives this test (the cases named portal...); and on a real Wayland
// desktop, where CTest runs shotIsWhatTheCompositorShows through with-wayland-desktop.sh.
class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Shots are named by the local clock. This zone is not a whole hour away from UTC, so a
        // shot named by another clock is off in its minutes too; a POSIX rule needs no zone files.
        qputenv("TZ", "NPT-5:45");
        tzset();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_picSC.setPixmap(QPixmap());
        if (!QByteArray(QTest::currentTestFunction()).startsWith("portal"))
            return;
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || bus.interface()->isServiceRegistered(PortalName) ||
            bus.interface()->activatableServiceNames().value().contains(PortalName))
            QSKIP("Needs a session bus without a desktop portal: CTest gives it a private one.");
        // A Wayland session whatever this process draws on: the picture must come from the portal.
        qputenv("WAYLAND_DISPLAY", "wayland-standin");
    }

    void cleanup()
    {
        for (const char *name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "HOPWISE_PROGRAM_DIR",
                                 "HOPWISE_UPDATE_SERVER"})
            qunsetenv(name);
        m_portal.stop();
        QDir(m_dir.filePath(QStringLiteral("screenshots"))).removeRecursively();
    }

    void fileName()
    {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QDate day(2006, 7, 13);
        QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), english), "Jul 13 06 19 08 31.png");
        // Day and year always take two digits; the hour never does.
        QCOMPARE(screenshotFileName(QDate(2009, 1, 5), QTime(0, 0, 0), english),
                 "Jan 05 09 0 00 00.png");
        QCOMPARE(screenshotFileName(day, QTime(19, 8, 31), QLocale(QLocale::French)),
                 "juil. 13 06 19 08 31.png");
    }

    void shotsArePngsOfTheScreenAndNeverOverwrite()
    {
        const QString programDir = m_dir.filePath(QStringLiteral("not/yet/there"));
        const QString folder = programDir + QStringLiteral("/screenshots/");
        const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, programDir);
        QVERIFY2(shot.ok(), qPrintable(shot.error));
        const QScreen *screen = QGuiApplication::primaryScreen();
        QCOMPARE(saved(shot).size(), screen->size() * screen->devicePixelRatio());

        // Earlier shots hold the local names of this second and the next few: two more shots in
        // one second.
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
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 11 + 2);
    }

    void menuItemReportsFailureAndGoesOn()
    {
        // "screenshots" taken by a plain file: the folder can be neither found nor made.
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("screenshots"));
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        qputenv("HOPWISE_PROGRAM_DIR", dir.path().toLocal8Bit());
        // Nothing listens there: the home page the window loads when shown goes nowhere.
        qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
        FrmMain frmMain;
        HOPWISE_FIND(QAction, mnuScreenshot, &frmMain, QStringLiteral("mnuScreenshot"));
        mnuScreenshot->trigger();
        // Told before the window is on screen, the notice waits for it.
        HOPWISE_FIND(QLabel, notice, &frmMain, QStringLiteral("notice"));
        QVERIFY(!notice->isVisible());
        frmMain.show();
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(QStringLiteral("screenshots")));
        QVERIFY(!QApplication::activeModalWidget());

        QVERIFY(QFile::remove(folder));
        mnuScreenshot->trigger();
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 1);
    }

    void nameReadsTheClockOnce()
    {
        // Midnight passes between a first and a second look at the clock: the name must be the
        // one moment, not the old date with the new time.
        const QDateTime lastSecond(QDate(2026, 12, 6), QTime(23, 59, 59, 999));
        int reads = 0;
        setScreenshotClockForTesting([&] { return lastSecond.addMSecs(reads++); });
        const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
        setScreenshotClockForTesting({});
        QVERIFY2(shot.ok(), qPrintable(shot.error));
        QCOMPARE(QFileInfo(shot.path).fileName(),
                 screenshotFileName(lastSecond.date(), lastSecond.time(), QLocale()));
    }

    void fullDiskLeavesNoPicture()
    {
        FullFileSystem full;
        const QString folder = full.filePath(QStringLiteral("screenshots"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(full.fill());
        const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, full.path());
        QVERIFY2(shot.error.contains(QStringLiteral("could not be saved")), qPrintable(shot.error));
        QVERIFY(shot.path.isEmpty());
        // A truncated picture under a shot's name would pass for a real one.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        full.makeRoom();
        const ScreenshotResult later = takeScreenshot(&m_picSC, &m_picSC, full.path());
        QVERIFY2(later.ok(), qPrintable(later.error));
    }

    void route()
    {
        // WAYLAND_DISPLAY alone: the portal cases set only that.
        QProcessEnvironment x11, wayland;
        x11.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
        wayland.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        QVERIFY(!sessionNeedsPortal(x11, QStringLiteral("xcb")));
        QVERIFY(sessionNeedsPortal(wayland, QStringLiteral("xcb")));
        QVERIFY(sessionNeedsPortal(QProcessEnvironment(), QStringLiteral("wayland")));
    }

    void portalAnswers_data()
    {
        QTest::addColumn<QString>("mode");           // empty: no portal on the bus
        QTest::addColumn<QByteArray>("fileContent"); // what the file the portal names holds
        QTest::addColumn<QImage>("expected");        // null: nothing may be saved
        QTest::addColumn<QString>("error");

        const QByteArray shot = png(pattern());
        // clang-format off
        QTest::newRow("picture") << "answer" << shot << pattern() << QString();
        QTest::newRow("one colour is still a picture") << "answer" << png(pattern(true)) << pattern(true) << QString();
        QTest::newRow("answer before the reply") << "early" << shot << pattern() << QString();
        QTest::newRow("cancelled") << "cancel" << shot << QImage() << "cancelled";
        QTest::newRow("ended otherwise") << "other" << shot << QImage() << "refused";
        QTest::newRow("refused") << "refuse" << shot << QImage() << "refused";
        QTest::newRow("answer without a file") << "nouri" << shot << QImage() << "no picture";
        QTest::newRow("file that is no picture") << "answer" << QByteArray("not a picture") << QImage() << "no picture";
        QTest::newRow("file gone") << "answer" << QByteArray() << QImage() << "no picture";
        QTest::newRow("no portal") << QString() << shot << QImage() << "no screenshot portal";
        // clang-format on
    }

    void portalAnswers()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, fileContent);
        QFETCH(QImage, expected);
        QFETCH(QString, error);
        const QString file = portalFile(fileContent);
        if (!mode.isEmpty())
            m_portal.start(mode.toLatin1(), file);

        const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
        QVERIFY2(shot.error.contains(error) && shot.ok() != expected.isNull(),
                 qPrintable(shot.error));
        QCOMPARE(savedShots().size(), expected.isNull() ? 0 : 1);
        // Nothing in the picture box or on the clipboard after a failure either.
        QCOMPARE(saved(shot), expected);
    }

    void portalAnswersLateWhileTheWindowRunsAndOneShotAtATime()
    {
        m_portal.start("hold", portalFile(png(pattern())));
        // Runs only while the first shot waits for the portal: timers keep running meanwhile, and
        // a second request in that time must not start a second capture.
        ScreenshotResult second;
        QTimer::singleShot(0, this, [&] {
            second = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
            m_portal.answerHeld();
        });
        const ScreenshotResult first = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
        QVERIFY2(first.ok(), qPrintable(first.error));
        QVERIFY2(second.error.contains(QStringLiteral("already")), qPrintable(second.error));
        QCOMPARE(savedShots(), QStringList{QFileInfo(first.path).fileName()});
        QCOMPARE(saved(first), pattern());
    }

    void portalUnansweredRequestEndsAndIsClosed_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("replied, never answered") << "never";
        QTest::newRow("not even replied") << "silent";
    }

    void portalUnansweredRequestEndsAndIsClosed()
    {
        QFETCH(QString, mode);
        m_portal.start(mode.toLatin1());
        const ScreenCapture capture = captureScreenThroughPortal(std::chrono::milliseconds(200));
        QVERIFY(capture.image.isNull());
        QVERIFY2(capture.error.contains(QStringLiteral("did not answer")),
                 qPrintable(capture.error));
        // The desktop may still be asking the player: the request is withdrawn.
        QTRY_COMPARE(m_portal.closed, m_portal.asked);
        QCOMPARE(m_portal.closed.size(), 1);
    }

    void portalWhenGrabGivesNothing()
    {
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("XDG_SESSION_TYPE", "x11");
        if (!QGuiApplication::primaryScreen()->grabWindow(0).isNull())
            QSKIP("This platform grabs the screen itself; CTest runs this case again on the "
                  "minimal platform, which cannot (tst_screenshot_portal_nograb).");
        m_portal.start("answer", portalFile(png(pattern())));
        const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
        QVERIFY2(shot.ok(), qPrintable(shot.error));
        QCOMPARE(saved(shot), pattern());
    }

    // Once as a native Wayland client and once through XWayland: the picture saved is the one
    // the compositor shows.
    void shotIsWhatTheCompositorShows()
    {
        if (qEnvironmentVariableIsEmpty("SWAYSOCK"))
            QSKIP("Runs on the headless Wayland desktop that with-wayland-desktop.sh starts "
                  "(CTest runs it so).");
        QLabel window;
        window.setPixmap(QPixmap::fromImage(pattern()));
        window.resize(320, 200); // above the desktop's least, which would resize it once shown
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Shown means drawn by us, not yet composited: wait until the compositor shows it.
        QTRY_VERIFY_WITH_TIMEOUT(shows(grim(), Qt::darkCyan) && shows(grim(), Qt::yellow), 20000);

        const ScreenshotResult shot = takeScreenshot(&window, &m_picSC, m_dir.path());
        QVERIFY2(shot.ok(), qPrintable(shot.error));
        const QImage seen = grim();
        QVERIFY(!seen.isNull());
        QCOMPARE(rgb(QImage(shot.path, "PNG")), seen);
    }

private:
    // The picture a shot saved; null unless the picture box and the clipboard hold the same.
    QImage saved(const ScreenshotResult &shot) const
    {
        const QImage image = shot.ok() ? rgb(QImage(shot.path, "PNG")) : QImage();
        const bool same = rgb(m_picSC.pixmap().toImage()) == image &&
                          rgb(QGuiApplication::clipboard()->image()) == image;
        return same ? image : QImage();
    }
    // The file a portal that answers names, holding content (none when it is empty).
    QString portalFile(const QByteArray &content) const
    {
        QFile file(m_dir.filePath(QStringLiteral("portal-shot.png")));
        file.remove();
        if (!content.isEmpty() && !(file.open(QIODevice::WriteOnly) && file.write(content)))
            return {};
        return file.fileName();
    }
    QStringList savedShots() const
    {
        return QDir(m_dir.filePath(QStringLiteral("screenshots"))).entryList(QDir::Files);
    }

    QTemporaryDir m_dir;
    QLabel m_picSC; // hidden, like the main window's
    PortalStandIn m_portal;
};

HOPWISE_TEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
