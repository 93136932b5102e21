// hopwise_iconsizes <icon.png> <outdir> <size>...
// Writes <outdir>/<n>x<n>/apps/hopwise.png for every size: the hicolor theme layout.
#include <QDir>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <icon.png> <outdir> <size>...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 2;
        }
        // Pixels outside a square source would be cropped by the theme's square slots: keep
        // the whole picture and centre it on a transparent square instead.
        QImage scaled = source.convertToFormat(QImage::Format_ARGB32)
                            .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QImage square(size, size, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        for (int y = 0; y < scaled.height(); ++y) {
            const int top = (size - scaled.height()) / 2 + y;
            const int left = (size - scaled.width()) / 2;
            auto *to = reinterpret_cast<QRgb *>(square.scanLine(top)) + left;
            const auto *from = reinterpret_cast<const QRgb *>(scaled.constScanLine(y));
            std::copy(from, from + scaled.width(), to);
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        const QString file = dir + QStringLiteral("/hopwise.png");
        if (!QDir().mkpath(dir) || !square.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return EXIT_SUCCESS;
}
