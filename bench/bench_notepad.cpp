// The real main window with a large notes file: how long the window stays unresponsive when the
// player first opens the "Notepad" page (the longest gap between ticks of a 5 ms timer, from the
// click until the page has been painted and the window is idle again), and how long one save
// holds it (what the player feels a few seconds after typing stops). Prints medians; asserts
// nothing.

#include "controls/richtextbox.h"
#include "controls/tabcontrol.h"
#include "samplenotes.h"
#include "shell/appsetup.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "tools/notepadpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

struct Stall
{
    double loadMs = 0;  // building, loading and first showing the main window
    double stallMs = 0; // the longest gap after the Notepad tab is clicked
    double saveMs = 0;  // one save of the notes, as after a pause in typing
};

Stall measure()
{
    Stall result;
    QElapsedTimer load;
    load.start();
    auto main = std::make_unique<FrmMain>();
    main->show();
    if (!QTest::qWaitForWindowExposed(main.get()))
        return result;
    result.loadMs = load.nsecsElapsed() / 1e6;
    // Let the first paints and the home page's failure settle.
    QTest::qWait(500);

    auto *ssTools = main->findChild<TabControl *>(QStringLiteral("ssTools"));
    int notepad = -1;
    for (int i = 0; i < ssTools->count(); ++i) {
        if (ssTools->tabText(i) == QLatin1String("Notepad"))
            notepad = i;
    }
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, &beat, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    beat.start(5);
    clock.start();
    QTimer::singleShot(0, ssTools, [ssTools, notepad] { ssTools->setCurrentIndex(notepad); });
    QTest::qWait(3000);
    result.stallMs = longest / 1e6;
    beat.stop();

    auto *notes = main->findChild<NotepadPage *>();
    notes->notesBox()->setSelText(QStringLiteral("x"));
    QElapsedTimer save;
    save.start();
    notes->saveNotes();
    result.saveMs = save.nsecsElapsed() / 1e6;
    main.reset();
    Forms::resetForTesting();
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);
    QTemporaryDir dir;
    qputenv("HOPWISE_PROGRAM_DIR", dir.path().toUtf8());
    // Nothing listens there: the home page fails at once, off the network.
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");

    for (const int mib : {1, 10, 100}) {
        const QByteArray notes = sampleNotes(qint64(mib) * 1024 * 1024);
        QFile file(dir.filePath(QStringLiteral("notes.doc")));
        if (!file.open(QIODevice::WriteOnly) || file.write(notes) != notes.size())
            return 1;
        file.close();
        const int runs = mib >= 100 ? 1 : 3;
        std::vector<double> loads, stalls, saves;
        for (int i = 0; i < runs; ++i) {
            const Stall s = measure();
            loads.push_back(s.loadMs);
            stalls.push_back(s.stallMs);
            saves.push_back(s.saveMs);
        }
        std::sort(loads.begin(), loads.end());
        std::sort(stalls.begin(), stalls.end());
        std::sort(saves.begin(), saves.end());
        std::printf("%4d MiB notes, %d run(s): main window built and shown %8.0f ms, longest "
                    "stall opening the Notepad page %8.0f ms, one save %8.0f ms (medians)\n",
                    mib, runs, loads[loads.size() / 2], stalls[stalls.size() / 2],
                    saves[saves.size() / 2]);
        std::fflush(stdout);
    }
    return 0;
}
