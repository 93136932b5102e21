#include "controls/mediacontrol.h"
#include "controls/tabcontrol.h"
#include "controls/twips.h"
#include "recordingserver.h"
#include "shell/endpoints.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "testmain.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtEndian>

namespace {

const QByteArray HomePath = "/~users/hopwise/index.php";

// A short, valid, silent PCM WAV file.
QByteArray silentWav()
{
    const quint32 rate = 8000;
    const quint32 samples = 800;
    QByteArray data(int(samples * 2), '\0');
    QByteArray out;
    auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out.append("RIFF");
    u32(36 + quint32(data.size()));
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.append("data");
    u32(quint32(data.size()));
    out.append(data);
    return out;
}

int homePageRequests(const RecordingServer &server)
{
    const auto requests = server.requests();
    return int(
        std::count_if(requests.cbegin(), requests.cend(),
                      [](const RecordingServer::Request &r) { return r.path() == HomePath; }));
}

bool noWindowVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.cbegin(), windows.cend(),
                        [](QWidget *w) { return w->isVisible(); });
}

bool expectWindowManager()
{
    return qEnvironmentVariableIntValue("HOPWISE_TEST_EXPECT_WM") == 1;
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList list;
    for (const QAction *a : actions)
        list << a->text();
    return list;
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void innerSizeForOuter_data();
    void innerSizeForOuter();
    void sizeModesCycle();
    void menuBarItems();
    void toolPagesInOrder();
    void loadSteps_data();
    void loadSteps();
    void loadRunsOnce();
    void quitEndsEverythingWithoutUnload();
    void closingMainLeavesOtherWindows();

private:
    FrmMain *showMain();

    RecordingServer m_server;
    QTemporaryDir m_programDir;
};

void TstMainWindow::initTestCase()
{
    QVERIFY(m_programDir.isValid());
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
    RecordingServer::Response home;
    home.body = "<html><head><title>HopWise home</title></head><body>home</body></html>";
    home.contentType = "text/html";
    m_server.setResponse(HomePath, home);
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
}

void TstMainWindow::init()
{
    QFile::remove(m_programDir.filePath(QStringLiteral("open.wav")));
    m_server.clearRequests();
}

void TstMainWindow::cleanup()
{
    Forms::resetForTesting();
    QTRY_VERIFY(noWindowVisible());
}

FrmMain *TstMainWindow::showMain()
{
    FrmMain *w = Forms::showMain();
    if (!QTest::qWaitForWindowExposed(w))
        return nullptr;
    return w;
}

void TstMainWindow::innerSizeForOuter_data()
{
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QSize>("inner");
    QTest::newRow("no window manager") << QSize(983, 797) << QMargins() << QSize(983, 797);
    QTest::newRow("thin border and title bar")
        << QSize(983, 797) << QMargins(1, 24, 1, 5) << QSize(981, 768);
    QTest::newRow("uneven frame") << QSize(807, 613) << QMargins(4, 30, 2, 4) << QSize(801, 579);
    QTest::newRow("frame larger than the window")
        << QSize(10, 10) << QMargins(8, 30, 8, 8) << QSize(0, 0);
}

void TstMainWindow::innerSizeForOuter()
{
    QFETCH(QSize, outer);
    QFETCH(QMargins, frame);
    QFETCH(QSize, inner);
    QCOMPARE(FrmMain::innerSizeForOuter(outer, frame), inner);
}

void TstMainWindow::sizeModesCycle()
{
    FrmMain *w = showMain();
    QVERIFY(w);
    if (expectWindowManager())
        QTRY_VERIFY(w->frameGeometry().size() != w->size());
    auto *mnuMax = w->findChild<QAction *>(QStringLiteral("mnuMax"));
    QVERIFY(mnuMax);
    auto *imgBG = w->findChild<QLabel *>(QStringLiteral("imgBG"));
    QVERIFY(imgBG);

    // The start size is the design's client area; only the game view shows.
    QCOMPARE(w->sizeMode(), 1);
    QTRY_COMPARE(w->centralWidget()->size(), Twips::size(12015, 8415));
    QVERIFY(!w->centralWidget()->rect().contains(
        w->findChild<QWidget *>(QStringLiteral("cmdClose"))->geometry().topLeft()));

    mnuMax->trigger();
    QCOMPARE(w->sizeMode(), 2);
    QTRY_COMPARE(w->frameGeometry().size(), Twips::size(14745, 11955));
    QVERIFY(!w->isMaximized());
    QTRY_COMPARE(imgBG->size(), w->frameGeometry().size());
    // Mode 2 shows the world tabs and the tools.
    for (const char *name : {"ssWorlds", "ssTools", "cmdClose"}) {
        const QWidget *c = w->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(w->centralWidget()->rect().contains(c->geometry().topLeft()), name);
    }

    mnuMax->trigger();
    QCOMPARE(w->sizeMode(), 3);
    QTRY_VERIFY(w->isMaximized());
    if (expectWindowManager())
        QTRY_COMPARE(w->frameGeometry().size(), w->screen()->availableGeometry().size());

    // From maximised straight back to the start size's outer size, not to mode 2's.
    mnuMax->trigger();
    QCOMPARE(w->sizeMode(), 1);
    QTRY_VERIFY(!w->isMaximized());
    QTRY_COMPARE(w->frameGeometry().size(), Twips::size(12105, 9195));
    QTRY_COMPARE(imgBG->size(), w->frameGeometry().size());
    // Still a fixed border.
    QCOMPARE(w->minimumSize(), w->maximumSize());

    mnuMax->trigger();
    QCOMPARE(w->sizeMode(), 2);
    QTRY_COMPARE(w->frameGeometry().size(), Twips::size(14745, 11955));
}

void TstMainWindow::menuBarItems()
{
    FrmMain w;
    QMenuBar *bar = w.menuBar();
    const QList<QAction *> top = bar->actions();
    QCOMPARE(texts(top), (QStringList{"File", "Take SS", "Help", "Min/Tools/Max"}));

    auto *mnuFile = w.findChild<QMenu *>(QStringLiteral("mnuFile"));
    auto *mnuHelp = w.findChild<QMenu *>(QStringLiteral("mnuHelp"));
    QVERIFY(mnuFile && mnuHelp);
    QCOMPARE(top.at(0)->menu(), mnuFile);
    QCOMPARE(top.at(2)->menu(), mnuHelp);
    QCOMPARE(texts(mnuFile->actions()), (QStringList{"Browser", "Quit"}));
    QCOMPARE(texts(mnuHelp->actions()), (QStringList{"About"}));
    QCOMPARE(mnuFile->actions().at(0)->objectName(), QStringLiteral("mnuBrowser"));
    QCOMPARE(mnuFile->actions().at(1)->objectName(), QStringLiteral("mnuQuit"));
    QCOMPARE(mnuHelp->actions().at(0)->objectName(), QStringLiteral("mnuAbout"));

    // "Take SS" and "Min/Tools/Max" act on click; they open no drop-down.
    QCOMPARE(top.at(1)->objectName(), QStringLiteral("mnuScreenshot"));
    QCOMPARE(top.at(3)->objectName(), QStringLiteral("mnuMax"));
    QVERIFY(!top.at(1)->menu());
    QVERIFY(!top.at(3)->menu());

    // No shortcut keys anywhere.
    for (QAction *a : w.findChildren<QAction *>()) {
        QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
        QVERIFY2(!a->text().contains(QLatin1Char('&')), qPrintable(a->text()));
    }
}

void TstMainWindow::toolPagesInOrder()
{
    FrmMain w;
    auto *ssTools = w.findChild<TabControl *>(QStringLiteral("ssTools"));
    QVERIFY(ssTools);
    QStringList captions;
    for (int i = 0; i < ssTools->count(); ++i)
        captions << ssTools->tabText(i);
    QCOMPARE(captions, (QStringList{"Stat Lookup", "Media Player", "Notepad", "Chat"}));
    QCOMPARE(ssTools->currentIndex(), 0);
    QCOMPARE(w.windowTitle(), QStringLiteral("HopWise Runescape World Switcher"));
}

void TstMainWindow::loadSteps_data()
{
    QTest::addColumn<bool>("soundPresent");
    QTest::newRow("start-up sound present") << true;
    QTest::newRow("start-up sound missing") << false;
}

void TstMainWindow::loadSteps()
{
    QFETCH(bool, soundPresent);
    const QString sound = m_programDir.filePath(QStringLiteral("open.wav"));
    if (soundPresent) {
        QFile f(sound);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(silentWav());
    }

    FrmMain *w = Forms::preloadMain();
    auto *mmControl = w->findChild<MediaControl *>(QStringLiteral("mmControl"));
    auto *wbClient = w->findChild<QWebEngineView *>(QStringLiteral("wbClient"));
    QVERIFY(mmControl && wbClient);

    // What the window looked like when the sound was opened: the home page already asked for,
    // the size mode not yet set.
    struct Seen
    {
        QUrl page;
        int sizeMode = -1;
    };
    QList<Seen> seen;
    connect(mmControl->player(), &QMediaPlayer::sourceChanged, this, [&](const QUrl &source) {
        if (!source.isEmpty())
            seen.append({wbClient->url(), w->sizeMode()});
    });

    QCOMPARE(w->sizeMode(), 0);
    QVERIFY(m_server.requests().isEmpty());
    w->show();
    QCOMPARE(w->sizeMode(), 1);
    QCOMPARE(mmControl->fileName(), sound);

    const QUrl home(Endpoints::current().homePageUrl());
    if (soundPresent) {
        QCOMPARE(mmControl->openFile(), sound);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0).page, home);
        QCOMPARE(seen.at(0).sizeMode, 0);
    } else {
        QVERIFY(mmControl->openFile().isEmpty());
        QVERIFY(seen.isEmpty());
    }

    QVERIFY(m_server.waitForRequests(1));
    QCOMPARE(m_server.requests().at(0).path(), HomePath);
}

void TstMainWindow::loadRunsOnce()
{
    FrmMain *w = showMain();
    QVERIFY(w);
    QTRY_COMPARE(homePageRequests(m_server), 1);
    QCOMPARE(w->sizeMode(), 1);
    w->findChild<QAction *>(QStringLiteral("mnuMax"))->trigger();
    w->hide();
    auto *wbClient = w->findChild<QWebEngineView *>(QStringLiteral("wbClient"));
    QSignalSpy navigated(wbClient, &QWebEngineView::loadStarted);
    Forms::showMain();
    QTRY_VERIFY(w->isVisible());
    // Showing it again only brings it up: no second home page, the size mode kept.
    QCOMPARE(w->sizeMode(), 2);
    QVERIFY(!navigated.wait(500));
    QCOMPARE(homePageRequests(m_server), 1);
}

void TstMainWindow::quitEndsEverythingWithoutUnload()
{
    FrmMain *w = showMain();
    QVERIFY(w);
    QSignalSpy unloaded(w, &FrmMain::formUnloaded);
    FrmBrowser *browser = Forms::showBrowser();
    FrmAbout *about = Forms::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(browser));
    QVERIFY(QTest::qWaitForWindowExposed(about));

    w->findChild<QAction *>(QStringLiteral("mnuQuit"))->trigger();

    QVERIFY(Forms::isEnding());
    QTRY_VERIFY(noWindowVisible());
    QCOMPARE(unloaded.count(), 0);
}

void TstMainWindow::closingMainLeavesOtherWindows()
{
    FrmMain *w = showMain();
    QVERIFY(w);
    QSignalSpy unloaded(w, &FrmMain::formUnloaded);
    FrmBrowser *browser = Forms::showBrowser();
    FrmAbout *about = Forms::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(browser));
    QVERIFY(QTest::qWaitForWindowExposed(about));

    QVERIFY(w->close());
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!w->isVisible());
    QVERIFY(!Forms::isEnding());
    QCoreApplication::processEvents();
    QVERIFY(Forms::browser() && Forms::browser()->isVisible());
    QVERIFY(Forms::about() && Forms::about()->isVisible());
}

HOPWISE_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
