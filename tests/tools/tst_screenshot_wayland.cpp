#include "testmain.h"

#include "tools/screenshot.h"

#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QtTest>

// "Take SS" on a real Wayland desktop (tests/tools/with-wayland-desktop.sh starts it), once as a
// native Wayland client and once through XWayland: the picture saved is the one the compositor
// shows, as its own capture tool (grim) sees it.
class TestScreenshotWayland : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shotIsWhatTheCompositorShows();
};

namespace {

const QColor Left(230, 120, 20);
const QColor Right(40, 170, 60);

class Pattern : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, width() / 2, height(), Left);
        painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Right);
    }
};

QImage grim()
{
    QProcess process;
    process.start(QStringLiteral("grim"), {QStringLiteral("-")});
    if (!process.waitForFinished() || process.exitCode() != 0)
        return {};
    return QImage::fromData(process.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

bool shows(const QImage &screen, const QColor &colour)
{
    for (int y = 0; y < screen.height(); y += 4) {
        for (int x = 0; x < screen.width(); x += 4) {
            if (screen.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

} // namespace

void TestScreenshotWayland::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("SWAYSOCK"))
        QSKIP("Runs on the headless Wayland desktop that with-wayland-desktop.sh starts (CTest "
              "runs it so).");
    qInfo() << "platform" << QGuiApplication::platformName();
}

void TestScreenshotWayland::shotIsWhatTheCompositorShows()
{
    Pattern window;
    window.resize(320, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Shown means drawn by us, not yet composited: wait until the compositor shows both halves.
    QTRY_VERIFY_WITH_TIMEOUT(shows(grim(), Left) && shows(grim(), Right), 20000);

    QTemporaryDir dir;
    QLabel picSC;
    const ScreenshotResult shot = takeScreenshot(&window, &picSC, dir.path());
    QVERIFY2(shot.ok(), qPrintable(shot.error));
    const QImage saved = QImage(shot.path, "PNG").convertToFormat(QImage::Format_RGB32);
    const QImage seen = grim();
    QVERIFY(!seen.isNull());
    if (saved != seen) {
        const QString kept = QDir::tempPath() + QStringLiteral("/hopwise-wayland-");
        saved.save(kept + QStringLiteral("saved.png"));
        seen.save(kept + QStringLiteral("grim.png"));
        qInfo() << "the two pictures are kept as" << kept + QStringLiteral("{saved,grim}.png");
    }
    QCOMPARE(saved.size(), seen.size());
    QCOMPARE(saved, seen);
}

HOPWISE_TEST_MAIN(TestScreenshotWayland)
#include "tst_screenshot_wayland.moc"
