#include "controls/webbrowser.h"
#include "recordingserver.h"
#include "shell/frmmain.h"
#include "testmain.h"
#include "worlds/worldcatalogue.h"
#include "worlds/worldswitcher.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineLoadingInfo>

#include <csignal>

namespace {

const QByteArray GamePath = "/lang/en/aff/runescape/game.ws?lowmem=1&plugin=1";
const QByteArray HomePath = "/~users/hopwise/index.php";

RecordingServer::Response page(const QByteArray &title, const QByteArray &body = QByteArray())
{
    return {200, "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>",
            "text/html", 0, false};
}

QString labelOf(int index)
{
    return QString::fromLatin1(WorldCatalogue::lookup(index)->hostLabel);
}

} // namespace

Q_DECLARE_METATYPE(RecordingServer::Response)

// World selection, "Close World", the navigation guard and the clock, in a real main window with
// the real web engine, against loopback servers standing in for the update server and the game
// hosts.
class TestGameView : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programDir;
    RecordingServer m_update, m_game;
    FrmMain *m_window = nullptr;
    WebBrowser *m_view = nullptr;
    QStringList m_sequence; // both servers' requests, in arrival order
    QStringList m_loaded;   // the paths of the view's loads that finished

    QString click(const QString &button)
    {
        auto *b = m_window->findChild<QPushButton *>(button);
        if (!b)
            return QStringLiteral("no ") + button;
        b->click();
        return state();
    }
    // "<pause caption> running|stopped d:h:m:s"
    QString state() const
    {
        const auto *timer = m_window->findChild<QTimer *>(QStringLiteral("tmrWorld"));
        QStringList shown;
        for (const char *name : {"cmdPause", "lblDays", "lblHours", "lblMinutes", "lblSeconds"}) {
            const auto *control = m_window->findChild<QWidget *>(QLatin1String(name));
            shown << (control ? control->property("text").toString() : QStringLiteral("?"));
        }
        const QString pause = shown.takeFirst();
        return pause + (timer && timer->isActive() ? " running " : " stopped ") + shown.join(':');
    }
    // Stops this process's web page processes but `keep`: what is sent to them then waits,
    // as it would behind a busy machine, until they are continued.
    static QList<qint64> stopRenderers(qint64 keep)
    {
        const auto parentOf = [](const QString &pid) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                return qint64(-1);
            const QByteArray line = stat.readLine();
            return line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
        };
        QList<qint64> zygotes, pids;
        const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString &pid : all)
            if (parentOf(pid) == QCoreApplication::applicationPid())
                zygotes << pid.toLongLong();
        for (const QString &pid : all)
            if (zygotes.contains(parentOf(pid)) && pid.toLongLong() != keep &&
                ::kill(pid_t(pid.toLongLong()), SIGSTOP) == 0)
                pids << pid.toLongLong();
        return pids;
    }
    QString gameHost(const QString &label) const
    {
        return label + QStringLiteral(".localhost:%1").arg(m_game.port());
    }
    // What the game hosts were asked for: "host/target".
    QStringList gameRequests() const
    {
        QStringList asked;
        for (const auto &r : m_game.requests())
            asked << QString::fromLatin1(r.host + r.target);
        return asked;
    }
    // Waits until the world's game page was asked for and the view shows it, so that the next
    // step never races a navigation still under way.
    bool waitForGamePage(const QString &label) const
    {
        const QString host = gameHost(label);
        return QTest::qWaitFor(
            [&] {
                return gameRequests().contains(host + GamePath) &&
                       m_view->title() == QLatin1String("World") &&
                       m_view->url().authority() == host;
            },
            30000);
    }
    bool choose(int index)
    {
        click(QStringLiteral("cmdWorld_%1").arg(index));
        return waitForGamePage(labelOf(index));
    }

private slots:
    void initTestCase()
    {
        m_update.setResponse(HomePath, page("Home"));
        m_game.setFallback(page("World"));
        for (RecordingServer *server : {&m_update, &m_game})
            connect(server, &RecordingServer::requestReceived, this,
                    [this](const RecordingServer::Request &r) {
                        m_sequence << QString::fromLatin1(r.target);
                    });
        qputenv("HOPWISE_UPDATE_SERVER", m_update.authority().toLatin1());
        qputenv("HOPWISE_GAME_DOMAIN", "localhost:" + QByteArray::number(m_game.port()));
        qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toLocal8Bit());

        m_window = new FrmMain;
        HOPWISE_FIND(WebBrowser, view, m_window, QStringLiteral("wbClient"));
        m_view = view;
        connect(m_view->page(), &QWebEnginePage::loadingChanged, this,
                [this](const QWebEngineLoadingInfo &info) {
                    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                        m_loaded << info.url().path();
                });
        m_window->show();
        // The load step's home page (which it asks for first: tst_shell's loadSteps).
        QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), QStringLiteral("Home"), 30000);
    }
    void init()
    {
        m_update.setResponse("/~users/Hopwise/pcworld.qvx", "pest3");
        m_update.clearRequests();
        m_game.clearRequests();
        m_sequence.clear();
    }
    void cleanup()
    {
        // The next case starts with the pause button showing "P", whatever this one left.
        if (state().startsWith(QLatin1Char('R')))
            click(QStringLiteral("cmdPause"));
    }
    void cleanupTestCase() { delete m_window; }

    void everySelectionFetchesThePcWorldFirst_data()
    {
        QTest::addColumn<int>("from"); // the world loaded, its clock paused
        QTest::addColumn<int>("index");
        QTest::addColumn<RecordingServer::Response>("pcworld");
        QTest::addColumn<QString>("label"); // of the game host; empty: nothing may load
        QTest::addColumn<QString>("shown"); // the world's title, or the notice (how it starts)
        using R = RecordingServer::Response;
        const int pc = WorldCatalogue::PcIndex;
        // A slow update server: a view that navigated before fetching would reach the game host
        // while the fetch is still waiting. A numbered world never needs the pcworld file.
        const R pest3(200, "pest3", "text/plain", 300);
        QTest::newRow("world 1") << 7 << 1 << pest3 << labelOf(1) << "World 1 - Non-Members";
        QTest::newRow("world 1 again") << 1 << 1 << pest3 << labelOf(1) << "World 1 - Non-Members";
        QTest::newRow("world 132") << 7 << 132 << pest3 << labelOf(132) << "World 132 - Members";
        QTest::newRow("pcworld file missing") << 7 << 5 << R(404, "pest3", "text/plain", 300)
                                              << labelOf(5) << "World 5 - Non-Members";
        QTest::newRow("PC") << 7 << pc << pest3 << "pest3"
                            << "Pest Control - Members";
        // Which labels are labels is tst_pagelogic's: here what the page makes of one and of none.
        QTest::newRow("PC, blanks and line break")
            << 7 << pc << R(200, "  ab12 \r\n", "text/plain", 300) << "ab12"
            << "Pest Control - Members";
        QTest::newRow("PC, another domain") << 7 << pc << R(200, "evil.example/x?") << ""
                                            << "The Pest Control world is not known right now.";
        QTest::newRow("PC, server error") << 7 << pc << R(500, "pest3") << ""
                                          << "The Pest Control world could not be looked up: ";
    }
    void everySelectionFetchesThePcWorldFirst()
    {
        QFETCH(int, from);
        QFETCH(int, index);
        QFETCH(RecordingServer::Response, pcworld);
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QVERIFY(choose(from));
        const QString paused = click(QStringLiteral("cmdPause"));
        QVERIFY(paused.startsWith(QLatin1String("R stopped")));
        const QString titleBefore = m_window->windowTitle();
        m_update.setResponse("/~users/Hopwise/pcworld.qvx", pcworld);
        m_update.clearRequests();
        m_game.clearRequests();
        m_sequence.clear();
        const QString after = click(QStringLiteral("cmdWorld_%1").arg(index));
        if (label.isEmpty()) {
            QCOMPARE(after, paused);
            QCOMPARE(m_window->windowTitle(), titleBefore);
            HOPWISE_FIND(QLabel, notice, m_window, QStringLiteral("notice"));
            // A failed fetch says why after the sentence; a label that is no label says no more.
            const QString told = notice->text();
            QVERIFY2(
                notice->isVisible() && told.startsWith(shown) &&
                    (shown.endsWith(QLatin1Char(' ')) ? told.size() > shown.size() : told == shown),
                qPrintable(told));
            // Nothing was navigated: the next game request is the next world's.
            QVERIFY(choose(8));
            QCOMPARE(gameRequests().filter(QLatin1String(GamePath)),
                     QStringList{gameHost(labelOf(8)) + GamePath});
            return;
        }
        // A selection while paused runs the clock from 0 and leaves "R" standing.
        QCOMPARE(after, QStringLiteral("R running 0:0:0:0"));
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("HopWise Runescape World Switcher - ") + shown);
        QVERIFY(waitForGamePage(label));
        QCOMPARE(m_sequence.first(), QStringLiteral("/~users/Hopwise/pcworld.qvx"));
        QCOMPARE(m_update.requests().size(), 1);
        QCOMPARE(m_game.requests().last().line, "GET " + GamePath + " HTTP/1.1");
    }

    void closeWorldReturnsHomeAndStopsTheClockAtZero()
    {
        QVERIFY(choose(3));
        m_update.clearRequests();
        m_loaded.clear();
        QCOMPARE(click(QStringLiteral("cmdClose")), QStringLiteral("P stopped 0:0:0:0"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("HopWise Runescape World Switcher"));
        QVERIFY(m_update.waitForRequests(1, 30000));
        QCOMPARE(m_update.requests().first().path(), HomePath);
        // Each step waits for the home page it asked for: a world chosen while the home page
        // is still loading can end on the home page on a loaded machine.
        QTRY_COMPARE_WITH_TIMEOUT(m_loaded.count(QLatin1String(HomePath)), 1, 30000);
        // Closing with no world loaded does the same; the next selection starts the clock again.
        QCOMPARE(click(QStringLiteral("cmdClose")), QStringLiteral("P stopped 0:0:0:0"));
        QTRY_COMPARE_WITH_TIMEOUT(m_loaded.count(QLatin1String(HomePath)), 2, 30000);
        QCOMPARE(click(QStringLiteral("cmdWorld_4")), QStringLiteral("P running 0:0:0:0"));
        // Its navigation must not run on into the next test's.
        QVERIFY(waitForGamePage(labelOf(4)));
    }

    // The home page's answer has been read in full and its page is on its way into the view
    // when a world is chosen: the world must still be what the view ends on.
    void theLastClickWinsOverAnEarlierPageStillArriving()
    {
        QVERIFY(choose(3));
        RecordingServer::Response held = page("Home");
        held.held = true;
        m_update.setResponse(HomePath, held);
        QList<qint64> stopped;
        const auto restore = qScopeGuard([&] {
            for (qint64 pid : std::as_const(stopped))
                ::kill(pid_t(pid), SIGCONT);
            m_update.setResponse(HomePath, page("Home"));
        });
        click(QStringLiteral("cmdClose"));
        QTRY_COMPARE_WITH_TIMEOUT(m_update.heldCount(HomePath), 1, 30000);
        // With the page processes held, the home page cannot be shown before the world is
        // chosen; the selection's slow fetch gives the engine time to take the answer in.
        stopped = stopRenderers(m_view->page()->renderProcessPid());
        QSignalSpy sent(&m_update, &RecordingServer::answerSent);
        QCOMPARE(m_update.release(HomePath), 1);
        QVERIFY(sent.count() || sent.wait(30000));
        m_update.setResponse("/~users/Hopwise/pcworld.qvx",
                             {200, "pest3", "text/plain", 300, false});
        click(QStringLiteral("cmdWorld_4"));
        for (qint64 pid : std::as_const(stopped))
            ::kill(pid_t(pid), SIGCONT);
        stopped.clear();
        QVERIFY(waitForGamePage(labelOf(4)));
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("HopWise Runescape World Switcher - World 4 - Non-Members"));
    }

    void guardKeepsThePageAndFramesOffThePublisherRoot()
    {
        const QString root = QStringLiteral("www.localhost:%1/").arg(m_game.port());
        const QByteArray frame = "<iframe src=\"http://" + root.toLatin1();
        m_game.setResponse("/with-frames",
                           page("Frames", frame + "\"></iframe>" + frame + "frame\"></iframe>"));
        m_game.setResponse("/marker", page("Marker"));
        // Waits for this navigation's own end: a page still loading from before would take the
        // place of this one.
        m_loaded.clear();
        m_view->Navigate("http://" + gameHost("uk1") + "/with-frames");
        QTRY_VERIFY_WITH_TIMEOUT(m_loaded.contains(QLatin1String("/with-frames")), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), QStringLiteral("Frames"), 30000);
        // The frame below the root loads; the frame at the root never asks the server.
        QTRY_VERIFY_WITH_TIMEOUT(gameRequests().contains(root + "frame"), 30000);
        m_view->Navigate("http://" + root);
        m_view->Navigate("http://" + gameHost("uk1") + "/marker");
        QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), QStringLiteral("Marker"), 30000);
        QVERIFY(!gameRequests().contains(root));
    }

    void pauseResetAndSelectionShareThePauseCaption()
    {
        HOPWISE_FIND(WorldSwitcher, switcher, m_window, QString());
        switcher->frmMain_cmdClose_Click();
        QCOMPARE(state(), QStringLiteral("P stopped 0:0:0:0"));
        const auto clicks = [this](const QString &button, const QString &expected) {
            QCOMPARE(click(button), expected);
        };
        // Pausing with no world loaded only flips the caption; resuming runs the clock anyway.
        clicks("cmdPause", "R stopped 0:0:0:0");
        clicks("cmdPause", "P running 0:0:0:0");
        // Pause keeps the counters; resume goes on from them.
        switcher->frmMain_tmrWorld_Timer();
        clicks("cmdPause", "R stopped 0:0:0:1");
        clicks("cmdPause", "P running 0:0:0:1");
        clicks("cmdPause", "R stopped 0:0:0:1");
        // Reset while paused runs from 0 and leaves "R" standing; the next click only shows "P".
        clicks("cmdReset", "R running 0:0:0:0");
        clicks("cmdPause", "P running 0:0:0:0");
        clicks("cmdPause", "R stopped 0:0:0:0");
        // A world selection while paused does the same as reset.
        switcher->frmMain_tmrWorld_Timer();
        clicks("cmdWorld_1", "R running 0:0:0:0");
        // "Close World" stops at 0 whatever the pause button shows.
        clicks("cmdClose", "R stopped 0:0:0:0");
    }
};

HOPWISE_TEST_MAIN(TestGameView)
#include "tst_gameview.moc"
