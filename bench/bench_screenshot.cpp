// Times one "Take SS" (capture of the whole screen, the clipboard round trip, the PNG file) on
// the screen the program runs on, and the PNG encoding of the same picture alone. Prints medians;
// asserts nothing. Run on a 1920 x 1080 screen (scripts/bench's virtual display), covered by a
// detailed picture: an empty virtual screen compresses to almost nothing and would flatter the
// PNG step.

#include "tools/screenshot.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 15;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Something like a game scene: gradients, many small shapes and lines of text.
QPixmap scene(const QSize &size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(1, QColor(60, 120, 40));
    p.fillRect(pixmap.rect(), sky);
    QRandomGenerator rng(7);
    for (int i = 0; i < 4000; ++i) {
        p.setBrush(QColor::fromRgb(rng.generate() | 0xff000000));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(rng.bounded(size.width()), rng.bounded(size.height())),
                      rng.bounded(2, 14), rng.bounded(2, 14));
    }
    p.setPen(Qt::white);
    for (int y = 12; y < size.height(); y += 16)
        p.drawText(8, y,
                   QStringLiteral("Line %1 of chat and stats, 99 Attack 1,234,567 xp").arg(y));
    return pixmap;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel window;
    auto *picSC = new QLabel(&window);
    picSC->hide();
    window.setPixmap(scene(window.screen()->geometry().size()));
    window.setGeometry(window.screen()->geometry());
    window.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();

    QTemporaryDir dir;
    QScreen *screen = window.screen();
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();

    std::vector<double> shots;
    std::vector<double> encodes;
    qint64 bytes = 0;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const ScreenshotResult shot = takeScreenshot(&window, picSC, dir.path());
        shots.push_back(timer.nsecsElapsed() / 1e6);
        if (!shot.ok()) {
            std::fprintf(stderr, "bench_screenshot: %s\n", qPrintable(shot.error));
            return 1;
        }
        bytes = QFileInfo(shot.path).size();

        const QImage image = picSC->pixmap().toImage();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        timer.restart();
        QImageWriter(&buffer, "png").write(image);
        encodes.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("Take SS on a %dx%d screen, %d shots: median %.1f ms (fastest %.1f, slowest %.1f); "
                "PNG encoding alone: median %.1f ms; file %lld KiB\n",
                size.width(), size.height(), Runs, median(shots),
                *std::min_element(shots.begin(), shots.end()),
                *std::max_element(shots.begin(), shots.end()), median(encodes),
                static_cast<long long>(bytes / 1024));
    return 0;
}
