#include "testmain.h"

#include "tools/screencapture.h"
#include "tools/screenshot.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QtTest>

#include <memory>

// "Take SS" on a Wayland session, against a stand-in portal on a private session bus.
class TestScreenshotPortal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void portalAnswers_data();
    void portalAnswers();
    void lateAnswerKeepsTheWindowRunningAndAllowsOneShotAtATime();
    void unansweredRequestEndsAndIsClosed_data();
    void unansweredRequestEndsAndIsClosed();
    void grabGivesNothingSoThePortalIsAsked();
    void route_data();
    void route();

private:
    void startStandIn(const QStringList &arguments);
    QStringList savedShots() const;
    QString patternFile() const;

    QTemporaryDir m_dir;
    QLabel m_picSC;
    std::unique_ptr<QProcess> m_standIn;
};

namespace {

const QString PortalName = QStringLiteral("org.freedesktop.portal.Desktop");

// The picture the portal hands over; a plain one must still count as a picture.
QImage pattern(bool plain = false)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(plain ? Qt::black : Qt::darkCyan);
    QPainter painter(&image);
    if (!plain) {
        painter.fillRect(8, 8, 20, 12, Qt::yellow);
        painter.fillRect(40, 30, 16, 10, Qt::magenta);
    }
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

void TestScreenshotPortal::initTestCase()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        QSKIP("No session bus: this test runs through CTest, which gives it a private one "
              "(dbus-run-session).");
    const QStringList activatable = bus.interface()->activatableServiceNames().value();
    if (bus.interface()->isServiceRegistered(PortalName) || activatable.contains(PortalName))
        QSKIP("This session bus has a desktop portal of its own; the test needs the private bus "
              "CTest starts for it.");
    QVERIFY(m_dir.isValid());
}

void TestScreenshotPortal::init()
{
    // A Wayland session whatever this process draws on: the picture must come from the portal.
    qputenv("WAYLAND_DISPLAY", "wayland-standin");
    m_picSC.setPixmap(QPixmap());
}

void TestScreenshotPortal::cleanup()
{
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
    if (m_standIn) {
        m_standIn->kill();
        m_standIn->waitForFinished();
        m_standIn.reset();
    }
    QDir(m_dir.path() + QStringLiteral("/screenshots")).removeRecursively();
}

void TestScreenshotPortal::startStandIn(const QStringList &arguments)
{
    m_standIn = std::make_unique<QProcess>();
    m_standIn->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_standIn->start(QStringLiteral(PORTAL_STANDIN), arguments);
    QVERIFY2(m_standIn->waitForStarted(), qPrintable(m_standIn->errorString()));
    QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(PortalName));
}

// The file a portal that answers names: the pattern, unless a case writes something else there.
QString TestScreenshotPortal::patternFile() const
{
    const QString file = m_dir.path() + QStringLiteral("/portal-shot.png");
    return pattern().save(file, "PNG") ? file : QString();
}

QStringList TestScreenshotPortal::savedShots() const
{
    return QDir(m_dir.path() + QStringLiteral("/screenshots")).entryList(QDir::Files);
}

void TestScreenshotPortal::portalAnswers_data()
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

void TestScreenshotPortal::portalAnswers()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, fileContent);
    QFETCH(QImage, expected);
    QFETCH(QString, error);

    const QString file = m_dir.path() + QStringLiteral("/portal-shot.png");
    QFile::remove(file);
    if (!fileContent.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(fileContent) == fileContent.size());
    }
    if (!mode.isEmpty())
        startStandIn({mode, file});

    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
    if (expected.isNull()) {
        QVERIFY2(!shot.ok(), qPrintable(shot.path));
        QVERIFY2(shot.error.contains(error), qPrintable(shot.error));
        QVERIFY(savedShots().isEmpty());
        QVERIFY(m_picSC.pixmap().isNull());
        return;
    }
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QCOMPARE(savedShots().size(), 1);
    const QImage saved(shot.path, "PNG");
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), expected);
    QCOMPARE(m_picSC.pixmap().toImage().convertToFormat(QImage::Format_RGB32), expected);
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);
}

void TestScreenshotPortal::lateAnswerKeepsTheWindowRunningAndAllowsOneShotAtATime()
{
    startStandIn({QStringLiteral("hold"), patternFile()});

    // Runs only while the first shot waits for the portal: timers keep running meanwhile, and
    // a second request in that time must not start a second capture.
    ScreenshotResult second;
    bool ran = false;
    QByteArray said;
    const auto answerOnceAsked = [&] {
        said += m_standIn->readAllStandardOutput();
        if (said.contains("Screenshot "))
            m_standIn->write("answer\n");
    };
    QTimer::singleShot(0, this, [&] {
        ran = true;
        second = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
        connect(m_standIn.get(), &QProcess::readyReadStandardOutput, this, answerOnceAsked);
        answerOnceAsked();
    });
    const ScreenshotResult first = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
    QVERIFY(ran);
    QVERIFY2(first.ok(), qPrintable(first.error));
    QVERIFY2(second.error.contains(QStringLiteral("already")), qPrintable(second.error));
    QCOMPARE(savedShots(), QStringList{QFileInfo(first.path).fileName()});
    QCOMPARE(QImage(first.path, "PNG").convertToFormat(QImage::Format_RGB32), pattern());
}

void TestScreenshotPortal::unansweredRequestEndsAndIsClosed_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("replied, never answered") << "never";
    QTest::newRow("not even replied") << "silent";
}

void TestScreenshotPortal::unansweredRequestEndsAndIsClosed()
{
    QFETCH(QString, mode);
    startStandIn({mode});
    const ScreenCapture capture = captureScreenThroughPortal(std::chrono::milliseconds(200));
    QVERIFY(capture.image.isNull());
    QVERIFY2(capture.error.contains(QStringLiteral("did not answer")), qPrintable(capture.error));
    // The desktop may still be asking the player: the request is withdrawn.
    QByteArray said;
    QTRY_VERIFY((said += m_standIn->readAllStandardOutput())
                    .contains("Close /org/freedesktop/portal/desktop/request/"));
}

void TestScreenshotPortal::grabGivesNothingSoThePortalIsAsked()
{
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("XDG_SESSION_TYPE", "x11");
    if (!QGuiApplication::primaryScreen()->grabWindow(0).isNull())
        QSKIP("This platform grabs the screen itself; CTest runs this case again on the minimal "
              "platform, which cannot (tst_screenshot_portal_nograb).");
    startStandIn({QStringLiteral("answer"), patternFile()});
    const ScreenshotResult shot = takeScreenshot(&m_picSC, &m_picSC, m_dir.path());
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    QCOMPARE(QImage(shot.path, "PNG").convertToFormat(QImage::Format_RGB32), pattern());
}

void TestScreenshotPortal::route_data()
{
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("sessionType");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("portal");

    // clang-format off
    QTest::newRow("X11 session") << "" << "x11" << "xcb" << false;
    QTest::newRow("XWayland") << "wayland-0" << "wayland" << "xcb" << true;
    QTest::newRow("session type only") << "" << "wayland" << "xcb" << true;
    QTest::newRow("native Wayland client") << "" << "" << "wayland" << true;
    // clang-format on
}

void TestScreenshotPortal::route()
{
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, sessionType);
    QFETCH(QString, platform);
    QFETCH(bool, portal);
    QProcessEnvironment environment;
    if (!waylandDisplay.isEmpty())
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay);
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), sessionType);
    QCOMPARE(sessionNeedsPortal(environment, platform), portal);
}

HOPWISE_TEST_MAIN(TestScreenshotPortal)
#include "tst_screenshot_portal.moc"
