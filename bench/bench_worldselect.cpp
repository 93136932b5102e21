// Time of one world selection (the click handler, with its fetch of the pcworld file from a local
// update server), median and spread over many selections.
#include "demoserver.h"
#include "shell/appsetup.h"
#include "shell/frmmain.h"
#include "worlds/worldswitcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);

    DemoServer server;
    const quint16 port = server.listen();
    QTemporaryDir programDir;
    qputenv("HOPWISE_UPDATE_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(port));
    qputenv("HOPWISE_GAME_DOMAIN", QByteArray("localhost:") + QByteArray::number(port));
    qputenv("HOPWISE_PROGRAM_DIR", programDir.path().toLocal8Bit());

    FrmMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(1000);
    auto *switcher = window.findChild<WorldSwitcher *>();

    const int worlds[] = {1, 2, 3000, 57, 132};
    QVector<double> ms;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        switcher->frmMain_cmdWorld_Click(worlds[i % 5]);
        ms << timer.nsecsElapsed() / 1e6;
        // Let the view start its navigation before the next selection, as a player's would.
        QTest::qWait(20);
    }
    std::sort(ms.begin(), ms.end());
    QTextStream(stdout) << QStringLiteral(
                               "world selection handler: median %1 ms, p10 %2 ms, p90 %3 ms "
                               "(%4 selections, local update server)\n")
                               .arg(ms[ms.size() / 2], 0, 'f', 2)
                               .arg(ms[ms.size() / 10], 0, 'f', 2)
                               .arg(ms[ms.size() * 9 / 10], 0, 'f', 2)
                               .arg(ms.size());
    return 0;
}
