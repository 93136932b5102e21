#include "recordingserver.h"
#include "shell/frmmain.h"
#include "shell/webbrowser.h"
#include "testmain.h"
#include "worlds/worldcatalogue.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QByteArray GamePath = "/lang/en/aff/runescape/game.ws?lowmem=1&plugin=1";

QByteArray page(const QByteArray &title, const QByteArray &body = QByteArray())
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

} // namespace

// World selection, "Close World", the navigation guard and the clock, in a real main window with
// the real web engine, against loopback servers standing in for the update server and the game
// hosts.
class TestGameView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void numberedWorldLoadsItsGamePage_data();
    void numberedWorldLoadsItsGamePage();
    void pcworldIsFetchedFirstAtEverySelection();
    void pcWorldTakesItsLabelFromTheServer_data();
    void pcWorldTakesItsLabelFromTheServer();
    void closeWorldReturnsHomeAndStopsTheClockAtZero();

    void guardCancelsOnlyTheExactPublisherRoot_data();
    void guardCancelsOnlyTheExactPublisherRoot();
    void guardKeepsThePageAndFramesOffThePublisherRoot();

    void pauseResetAndSelectionShareThePauseCaption();

private:
    QPushButton *worldButton(int index) const;
    QStringList clock() const;
    // "<pause caption> running|stopped d:h:m:s"
    QString state() const;
    QString click(const char *button);
    bool clockRunning() const;
    QString gameHost(const QString &label) const;
    // Hosts asked for a game page so far.
    QStringList gameHostsRequested() const;
    // Waits for a game page request to the given world's host.
    bool waitForGamePage(const QString &label) const;
    QString labelOf(int index) const
    {
        return QString::fromLatin1(WorldCatalogue::lookup(index)->hostLabel);
    }

    QTemporaryDir m_programDir;
    RecordingServer *m_update = nullptr;
    RecordingServer *m_game = nullptr;
    FrmMain *m_window = nullptr;
    QStringList m_sequence; // both servers' requests, in arrival order
};

void TestGameView::initTestCase()
{
    m_update = new RecordingServer(this);
    m_game = new RecordingServer(this);
    m_update->setResponse("/~users/hopwise/index.php", {200, page("Home"), "text/html", 0, false});
    m_game->setFallback({200, page("World"), "text/html", 0, false});
    connect(m_update, &RecordingServer::requestReceived, this,
            [this](const RecordingServer::Request &r) {
                m_sequence << QStringLiteral("update ") + QString::fromLatin1(r.path());
            });
    connect(m_game, &RecordingServer::requestReceived, this,
            [this](const RecordingServer::Request &r) {
                if (r.target == GamePath || r.target == "/")
                    m_sequence << QStringLiteral("game ") + QString::fromLatin1(r.host);
            });

    qputenv("HOPWISE_UPDATE_SERVER", m_update->authority().toLatin1());
    qputenv("HOPWISE_GAME_DOMAIN", "localhost:" + QByteArray::number(m_game->port()));
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toLocal8Bit());

    m_window = new FrmMain;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    // The load step shows the home page.
    QVERIFY(m_update->waitForRequests(1, 30000));
    QCOMPARE(m_update->requests().first().path(), QByteArray("/~users/hopwise/index.php"));
    auto *view = m_window->findChild<WebBrowser *>(QStringLiteral("wbClient"));
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("Home"), 30000);
}

void TestGameView::init()
{
    m_update->setResponse("/~users/Hopwise/pcworld.qvx", "pest3");
    m_update->clearRequests();
    m_game->clearRequests();
    m_sequence.clear();
}

void TestGameView::cleanupTestCase()
{
    delete m_window;
}

QPushButton *TestGameView::worldButton(int index) const
{
    return m_window->findChild<QPushButton *>(QStringLiteral("cmdWorld_%1").arg(index));
}

QStringList TestGameView::clock() const
{
    QStringList shown;
    for (const char *name : {"lblDays", "lblHours", "lblMinutes", "lblSeconds"})
        shown << m_window->findChild<QLabel *>(QLatin1String(name))->text();
    return shown;
}

bool TestGameView::clockRunning() const
{
    return m_window->findChild<QTimer *>(QStringLiteral("tmrWorld"))->isActive();
}

QString TestGameView::gameHost(const QString &label) const
{
    return label + QStringLiteral(".localhost:%1").arg(m_game->port());
}

QStringList TestGameView::gameHostsRequested() const
{
    QStringList hosts;
    for (const auto &r : m_game->requests()) {
        if (r.target == GamePath)
            hosts << QString::fromLatin1(r.host);
    }
    return hosts;
}

bool TestGameView::waitForGamePage(const QString &label) const
{
    // The view must also show that page before the next step navigates elsewhere.
    auto *view = m_window->findChild<WebBrowser *>(QStringLiteral("wbClient"));
    const QString host = gameHost(label);
    const bool shown = QTest::qWaitFor(
        [&] {
            return gameHostsRequested().contains(host) && view->title() == QLatin1String("World") &&
                   view->url().authority() == host;
        },
        30000);
    if (!shown)
        qWarning() << "waiting for" << host << "the view shows" << view->url() << view->title()
                   << "requested" << gameHostsRequested();
    return shown;
}

void TestGameView::numberedWorldLoadsItsGamePage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pcworldStatus"); // a numbered world never needs the pcworld file
    QTest::newRow("world 1") << 1 << "World 1 - Non-Members" << 200;
    QTest::newRow("world 132") << 132 << "World 132 - Members" << 200;
    QTest::newRow("pcworld file missing") << 5 << "World 5 - Non-Members" << 404;
}

void TestGameView::numberedWorldLoadsItsGamePage()
{
    QFETCH(int, index);
    QFETCH(QString, title);
    QFETCH(int, pcworldStatus);
    m_update->setResponse("/~users/Hopwise/pcworld.qvx", "pest3", pcworldStatus);
    worldButton(index)->click();

    QCOMPARE(m_window->windowTitle(),
             QStringLiteral("HopWise Runescape World Switcher - ") + title);
    QCOMPARE(state(), QStringLiteral("P running 0:0:0:0"));
    QVERIFY(waitForGamePage(labelOf(index)));
    QCOMPARE(m_game->requests().last().line, "GET " + GamePath + " HTTP/1.1");
}

void TestGameView::pcworldIsFetchedFirstAtEverySelection()
{
    // A slow update server: a view that navigated before fetching would reach the game host
    // while the fetch is still waiting.
    m_update->setResponse("/~users/Hopwise/pcworld.qvx", {200, "pest3", "text/plain", 300, false});
    for (int index : {1, 1, 2, 3000}) {
        worldButton(index)->click();
        QVERIFY(waitForGamePage(index == WorldCatalogue::PcIndex ? "pest3" : labelOf(index)));
        QCOMPARE(m_sequence.first(), QStringLiteral("update /~users/Hopwise/pcworld.qvx"));
        m_sequence.clear();
    }
    QCOMPARE(m_update->requests().size(), 4);
}

void TestGameView::pcWorldTakesItsLabelFromTheServer_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("label"); // empty: the PC button must load nothing
    QTest::newRow("label") << QByteArray("pest3") << 200 << "pest3";
    QTest::newRow("trailing line break") << QByteArray("pest3\r\n") << 200 << "pest3";
    QTest::newRow("surrounding blanks") << QByteArray("  ab12 ") << 200 << "ab12";
    QTest::newRow("empty") << QByteArray() << 200 << "";
    QTest::newRow("another domain") << QByteArray("evil.example/x?") << 200 << "";
    QTest::newRow("upper case") << QByteArray("PEST3") << 200 << "";
    QTest::newRow("two words") << QByteArray("pest3 uk1") << 200 << "";
    QTest::newRow("html error page") << QByteArray("<html>oops</html>") << 200 << "";
    QTest::newRow("server error") << QByteArray("pest3") << 500 << "";
}

void TestGameView::pcWorldTakesItsLabelFromTheServer()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, label);

    // Start from a loaded world with a running clock.
    worldButton(7)->click();
    QVERIFY(waitForGamePage(labelOf(7)));
    m_window->findChild<QPushButton *>(QStringLiteral("cmdPause"))->click(); // pause at 0
    const QString titleBefore = m_window->windowTitle();
    m_game->clearRequests();

    m_update->setResponse("/~users/Hopwise/pcworld.qvx", body, status);
    worldButton(WorldCatalogue::PcIndex)->click();

    if (label.isEmpty()) {
        QCOMPARE(m_window->windowTitle(), titleBefore);
        QVERIFY(!clockRunning());
        auto *notice = m_window->findChild<QLabel *>(QStringLiteral("notice"));
        QVERIFY(notice && notice->isVisible());
        // Nothing was navigated: the next game request is the next world's.
        worldButton(8)->click();
        QVERIFY(waitForGamePage(labelOf(8)));
        for (const QString &host : gameHostsRequested())
            QVERIFY2(host == gameHost(labelOf(8)) || host == gameHost(labelOf(7)),
                     qPrintable(host));
    } else {
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("HopWise Runescape World Switcher - Pest Control - Members"));
        QVERIFY(clockRunning());
        QVERIFY(waitForGamePage(label));
    }
    // Leave the pause button as the next case expects it.
    auto *pause = m_window->findChild<QPushButton *>(QStringLiteral("cmdPause"));
    if (pause->text() != QLatin1String("P"))
        pause->click();
}

void TestGameView::closeWorldReturnsHomeAndStopsTheClockAtZero()
{
    worldButton(3)->click();
    QVERIFY(waitForGamePage(labelOf(3)));
    m_window->frmMain_tmrWorld_Timer();
    QVERIFY(state().startsWith(QLatin1String("P running")));
    QVERIFY(clock().last() != QLatin1String("0"));

    m_update->clearRequests();
    QCOMPARE(click("cmdClose"), QStringLiteral("P stopped 0:0:0:0"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("HopWise Runescape World Switcher"));
    QVERIFY(m_update->waitForRequests(1, 30000));
    QCOMPARE(m_update->requests().first().path(), QByteArray("/~users/hopwise/index.php"));
    // Closing with no world loaded does the same; the next selection starts the clock again.
    QCOMPARE(click("cmdClose"), QStringLiteral("P stopped 0:0:0:0"));
    QCOMPARE(click("cmdWorld_4"), QStringLiteral("P running 0:0:0:0"));
}

void TestGameView::guardCancelsOnlyTheExactPublisherRoot_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("cancelled");
    const QString root = QStringLiteral("http://www.localhost:%1").arg(m_game->port());
    QTest::newRow("root with slash") << root + "/" << true;
    QTest::newRow("root without slash") << root << false;
    QTest::newRow("other case") << QString(root).replace("www", "WWW") + "/" << false;
    QTest::newRow("a path after the slash") << root + "/news" << false;
    QTest::newRow("a query after the slash") << root + "/?a=1" << false;
    QTest::newRow("a game host") << gameHost("uk1") + "/" << false;
}

void TestGameView::guardCancelsOnlyTheExactPublisherRoot()
{
    QFETCH(QString, url);
    QFETCH(bool, cancelled);
    bool cancel = false;
    m_window->frmMain_wbClient_BeforeNavigate2(url, true, &cancel);
    QCOMPARE(cancel, cancelled);
}

void TestGameView::guardKeepsThePageAndFramesOffThePublisherRoot()
{
    auto *view = m_window->findChild<WebBrowser *>(QStringLiteral("wbClient"));
    const QString root = QStringLiteral("http://www.localhost:%1/").arg(m_game->port());
    const QByteArray frames = "<iframe src=\"" + root.toLatin1() + "\"></iframe><iframe src=\"" +
                              root.toLatin1() + "frame\"></iframe>";
    m_game->setResponse("/with-frames", {200, page("Frames", frames), "text/html", 0, false});
    m_game->setResponse("/marker", {200, page("Marker"), "text/html", 0, false});

    view->Navigate("http://" + gameHost("uk1") + "/with-frames");
    QTRY_VERIFY2_WITH_TIMEOUT(
        view->title() == QLatin1String("Frames"),
        qPrintable(view->url().toString() + QLatin1Char(' ') + m_sequence.join(QLatin1Char(','))),
        30000);

    // The frame below the root loads; the frame at the root never asks the server.
    const auto frameLoaded = [this] {
        for (const auto &r : m_game->requests()) {
            if (r.host.startsWith("www.") && r.target == "/frame")
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(frameLoaded(), 30000);
    view->Navigate(root);
    view->Navigate("http://" + gameHost("uk1") + "/marker");
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("Marker"), 30000);
    for (const auto &r : m_game->requests())
        QVERIFY2(!(r.host.startsWith("www.") && r.target == "/"), r.line.constData());
}

QString TestGameView::click(const char *button)
{
    m_window->findChild<QPushButton *>(QLatin1String(button))->click();
    return state();
}

QString TestGameView::state() const
{
    return m_window->findChild<QPushButton *>(QStringLiteral("cmdPause"))->text() +
           (clockRunning() ? QStringLiteral(" running ") : QStringLiteral(" stopped ")) +
           clock().join(QLatin1Char(':'));
}

void TestGameView::pauseResetAndSelectionShareThePauseCaption()
{
    m_window->frmMain_cmdClose_Click();
    QCOMPARE(state(), QStringLiteral("P stopped 0:0:0:0"));
    // Pausing with no world loaded only flips the caption; resuming runs the clock anyway.
    QCOMPARE(click("cmdPause"), QStringLiteral("R stopped 0:0:0:0"));
    QCOMPARE(click("cmdPause"), QStringLiteral("P running 0:0:0:0"));
    // Pause keeps the counters; resume goes on from them.
    m_window->frmMain_tmrWorld_Timer();
    QCOMPARE(click("cmdPause"), QStringLiteral("R stopped 0:0:0:1"));
    QCOMPARE(click("cmdPause"), QStringLiteral("P running 0:0:0:1"));
    QCOMPARE(click("cmdPause"), QStringLiteral("R stopped 0:0:0:1"));
    // Reset while paused runs from 0 and leaves "R" standing; the next click only shows "P".
    QCOMPARE(click("cmdReset"), QStringLiteral("R running 0:0:0:0"));
    QCOMPARE(click("cmdPause"), QStringLiteral("P running 0:0:0:0"));
    QCOMPARE(click("cmdPause"), QStringLiteral("R stopped 0:0:0:0"));
    // A world selection while paused does the same as reset.
    m_window->frmMain_tmrWorld_Timer();
    QCOMPARE(click("cmdWorld_1"), QStringLiteral("R running 0:0:0:0"));
    // The tick writes all four labels, one carry at a time.
    const QStringList start{"0", "23", "59", "59"};
    const char *names[] = {"lblDays", "lblHours", "lblMinutes", "lblSeconds"};
    for (int i = 0; i < 4; ++i)
        m_window->findChild<QLabel *>(QLatin1String(names[i]))->setText(start[i]);
    for (const char *expected :
         {"R running 0:23:60:0", "R running 0:24:0:1", "R running 1:0:0:2"}) {
        m_window->frmMain_tmrWorld_Timer();
        QCOMPARE(state(), QLatin1String(expected));
    }
    // "Close World" stops at 0 whatever the pause button shows.
    QCOMPARE(click("cmdClose"), QStringLiteral("R stopped 0:0:0:0"));
    click("cmdPause");
}

HOPWISE_TEST_MAIN(TestGameView)
#include "tst_gameview.moc"
