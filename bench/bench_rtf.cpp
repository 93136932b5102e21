// Reads and writes notes documents of mixed formatting (1 MiB and 10 MiB of RTF, generated here)
// into and out of the rich-text box, and times AbiWord reading the same file for comparison.
// Prints medians; asserts nothing.

#include "controls/richtextbox.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QTextCharFormat formatNumber(int n)
{
    QTextCharFormat f;
    switch (n % 9) {
    case 1:
        f.setFontWeight(QFont::Bold);
        break;
    case 2:
        f.setFontItalic(true);
        break;
    case 3:
        f.setFontUnderline(true);
        break;
    case 4:
        f.setForeground(QColor(200, 0, 0));
        break;
    case 5:
        f.setBackground(QColor(255, 255, 0));
        break;
    case 6:
        f.setFontFamilies({QStringLiteral("Arial")});
        f.setFontPointSize(12);
        break;
    case 7:
        f.setFontFamilies({QStringLiteral("Courier New")});
        f.setFontPointSize(10);
        break;
    case 8:
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setForeground(QColor(0, 128, 0));
        break;
    default:
        break;
    }
    return f;
}

// Notes-like text: runs of a few words in changing formats, a paragraph every few lines, now
// and then a word outside ASCII. Grows until its RTF is about `bytes` long.
QByteArray generate(qsizetype bytes)
{
    static const char *const words[] = {"world", "bank",  "rope",   "north", "meet", "at",
                                        "the",   "quest", "rune",   "trade", "9",    "{x}",
                                        "a\\b",  "tab\t", "dragon", "guild", "fish", "magic"};
    static const char16_t *const intl[] = {u"café", u"5 €", u"Привет", u"中文", u"😀", u"№"};
    QRandomGenerator rng(42);
    QTextDocument doc;
    QFont base(QStringLiteral("Tahoma"));
    base.setPointSizeF(8.25);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    qsizetype approx = 0;
    int run = 0;
    // The estimate runs about 12% short of what the writer makes of it.
    while (approx < bytes * 88 / 100) {
        QString text;
        const int count = rng.bounded(3, 12);
        for (int i = 0; i < count; ++i) {
            if (rng.bounded(20) == 0)
                text += QString::fromUtf16(intl[rng.bounded(int(std::size(intl)))]);
            else
                text += QLatin1String(words[rng.bounded(int(std::size(words)))]);
            text += QLatin1Char(' ');
        }
        c.insertText(text, formatNumber(run++));
        approx += text.size() + 12;
        if (rng.bounded(8) == 0) {
            c.insertBlock();
            approx += 7;
        }
    }
    return RtfWriter::write(&doc);
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void bench(const char *label, qsizetype size, int runs, int abiwordRuns, const QString &dir)
{
    const QByteArray rtf = generate(size);
    const QString path = dir + QStringLiteral("/notes-%1.doc").arg(QLatin1String(label));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(rtf) != rtf.size())
        return;
    out.close();

    RichTextBox box;
    QFont base(QStringLiteral("Tahoma"));
    base.setPointSizeF(8.25);
    box.setFont(base);
    box.resize(770, 137);

    const double read = medianMs(runs, [&] { box.setTextRTF(rtf); });
    QByteArray written;
    const double write = medianMs(runs, [&] { written = box.textRTF(); });
    QTextDocument bare;
    const double readBare = medianMs(runs, [&] { RtfReader::read(rtf, &bare); });
    // On screen the box also lays the whole document out (its height sets the scroll bar) and
    // paints what is visible; hidden, as on a tab page not shown, that waits until it shows.
    box.show();
    const double readShown = medianMs(runs, [&] {
        box.setTextRTF(rtf);
        box.repaint();
    });

    box.hide();

    std::printf("%-6s %8.2f MiB RTF, %7d paragraphs, %8lld characters\n", label,
                rtf.size() / 1048576.0, box.document()->blockCount(),
                static_cast<long long>(box.document()->characterCount()));
    std::printf("       read into the box   %8.1f ms (median of %d)\n", read, runs);
    std::printf("       read, no widget     %8.1f ms\n", readBare);
    std::printf("       read, shown, painted%8.1f ms\n", readShown);
    std::printf("       write from the box  %8.1f ms (%s the original)\n", write,
                written == rtf ? "byte for byte" : "differs from");

    const QString abiword = QStandardPaths::findExecutable(QStringLiteral("abiword"));
    if (abiword.isEmpty()) {
        std::printf("       abiword not installed\n");
    } else {
        const QString txt = path + QStringLiteral(".txt");
        const double abi = medianMs(abiwordRuns, [&] {
            QProcess p;
            p.start(abiword,
                    {QStringLiteral("--to=txt"), QStringLiteral("--to-name=") + txt, path});
            p.waitForFinished(600000);
        });
        std::printf("       abiword --to=txt    %8.1f ms (ours reads in %.2fx its time)\n", abi,
                    read / abi);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    // AbiWord takes most of a minute on the larger file: it is timed once there.
    bench("1MiB", 1024 * 1024, 5, 3, dir.path());
    bench("10MiB", 10 * 1024 * 1024, 3, 1, dir.path());
    return 0;
}
