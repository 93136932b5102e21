// The mini browser, the About box and the fetches the windows make, against HTTP and HTTPS
// servers on loopback: pages, credits, where a redirect may lead, and how long a server may hold
// the start-up check.
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "controls/webbrowser.h"
#include "core/desktop.h"
#include "recordingserver.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "shell/frmsplash.h"
#include "shell/frmupdate.h"
#include "stats/statlookuppage.h"
#include "testmain.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {

const QByteArray VersionPath = "/~users/hopwise/version.qvx";
const QByteArray CreditsPath = "/~users/HopWise/thanks.rtf";
const QByteArray Credits = "{\\rtf1\\ansi\\ansicpg1252{\\colortbl ;\\red0\\green0\\blue255;}"
                           "\\b Mira\\b0  for the world list\\par\r\n\\cf1 Osk\\u225?r\\par\r\n}";
const QString CreditsText = QStringLiteral("Mira for the world list\nOsk\u00e1r");

// The credits the About box shows; with no box, a text no credits can be.
QString thanksText()
{
    auto *box = Forms::about() ? Forms::about()->findChild<RichTextBox *>("rtfThanks") : nullptr;
    return box ? box->text() : QStringLiteral("<no credits box>");
}

// Sets a window's outer size in pixels, whatever frame the platform adds.
void setOuterPx(QWidget *w, int width, int height)
{
    const QSize frame = w->frameGeometry().size() - w->geometry().size();
    w->resize(width - frame.width(), height - frame.height());
}

bool updatePrompted()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [](QWidget *w) { return qobject_cast<FrmUpdate *>(w); });
}

} // namespace

class TestWeb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void miniBrowser();
    void aboutBox();
    void officialHighscoresFromTheStatLookup();
    void newWindowsGoToTheDesktop_data();
    void newWindowsGoToTheDesktop();
    void redirects_data();
    void redirects();
    void versionCheckFollowsItsServerToHttps();
    void tricklingServerHoldsTheSplashNoLongerThanTheCheck();

private:
    FrmBrowser *openBrowser()
    {
        FrmBrowser *w = Forms::showBrowser();
        // Anything not bound for this machine is cancelled before a request is made.
        connect(
            w->browser(), &WebBrowser::BeforeNavigate2, this,
            [this](const QString &url, bool isMainFrame, bool *cancel) {
                if (isMainFrame)
                    m_navigations << url;
                const QString host = QUrl(url).host();
                *cancel |= host != QLatin1String("127.0.0.1") && !host.endsWith("localhost");
            },
            Qt::DirectConnection);
        return QTest::qWaitForWindowExposed(w) ? w : nullptr;
    }

    RecordingServer m_server;
    RecordingServer m_tls{nullptr, RecordingServer::Tls};
    RecordingServer m_otherPort;
    QTemporaryDir m_programDir;
    QStringList m_navigations; // main frame only
    QList<QUrl> m_opened;      // by the desktop
};

void TestWeb::initTestCase()
{
    RecordingServer::trustLoopbackCertificate();
    QVERIFY(m_programDir.isValid());
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
}

void TestWeb::init()
{
    for (RecordingServer *server : {&m_server, &m_tls, &m_otherPort})
        server->clearRequests();
    m_server.setFallback({200, "<title>page</title>", "text/html", 0, false});
    m_server.setResponse(CreditsPath, Credits);
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    qputenv("HOPWISE_VELMORA_SITE", m_server.authority().toUtf8());
    qputenv("HOPWISE_GAME_DOMAIN", "localhost:" + QByteArray::number(m_server.port()));
    m_navigations.clear();
    m_opened.clear();
    Desktop::setOpenUrlHandlerForTesting([this](const QUrl &url) {
        m_opened << url;
        return true;
    });
}

void TestWeb::cleanup()
{
    Desktop::setOpenUrlHandlerForTesting({});
    Forms::resetForTesting();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmSplash *>(w) || qobject_cast<FrmUpdate *>(w))
            delete w;
}

void TestWeb::miniBrowser()
{
    FrmBrowser *w = openBrowser();
    QVERIFY(w);
    // The window's size lays out the browser.
    setOuterPx(w, 10185 / 15, 9315 / 15);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(10185, 9315));
    QTRY_COMPARE(w->browser()->geometry(), Twips::rect(120, 480, 9835, 8275));
    const int height = w->browser()->height();
    // 900 twips high: no height for the browser, which keeps its last one; the width follows.
    setOuterPx(w, 500, 60);
    QTRY_COMPARE(w->browser()->size(), QSize(Twips::toPx(7500 - 350), height));
    setOuterPx(w, 700, 650);
    QTRY_COMPARE(w->browser()->geometry(), Twips::rect(120, 480, 10500 - 350, 9750 - 1040));

    // The address and the title.
    m_server.setResponse("/two", {200,
                                  "<title>First</title><script>setTimeout(function()"
                                  "{document.title='<b>Second</b> & co';},500);</script>",
                                  "text/html", 0, false});
    HOPWISE_FIND(QLineEdit, txtURL, w, QStringLiteral("txtURL"));
    HOPWISE_FIND(QPushButton, cmdGO, w, QStringLiteral("cmdGO"));
    const QString two = QStringLiteral("http://%1/two?q=a%20b").arg(m_server.authority());
    const QString one = QStringLiteral("http://%1/one").arg(m_server.authority());

    // Typed without a scheme, taken as typed by Enter; typing alone goes nowhere.
    QTest::keyClicks(txtURL, m_server.authority() + QStringLiteral("/two?q=a%20b"));
    QTest::keyClick(txtURL, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("HopWise Mini Browser - First"),
                              15000);
    // What the user is typing gives way to the page's own address at the next title change,
    // and the title is shown as the text it is.
    txtURL->setText(QStringLiteral("half-typed"));
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser - <b>Second</b> & co"));
    QCOMPARE(QUrl(txtURL->text()), QUrl(two));

    txtURL->setText(one);
    cmdGO->click();
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser - page"));
    QCOMPARE(txtURL->text(), one);
    QCOMPARE(m_navigations, (QStringList{two, one}));
    QCOMPARE(m_server.requests().value(0).target, QByteArray("/two?q=a%20b"));

    // Each bookmark's target as the design gives it: http, path and query, and the Marketplace and
    // the VLM Forum on the Velmora site (the local server here).
    const QList<std::tuple<const char *, const char *, bool>> marks{
        {"mnuQuests", "/runescape/?rs2quest", false},
        {"mnuTreasure", "/treasuretrails.php", false},
        {"mnuMarket", "/runeListing", true},
        {"mnuOffForum", "/lang/en/aff/runescape/forums.ws", false},
        {"mnuVLMForum", "/", true},
    };
    for (const auto &[action, target, velmora] : marks) {
        HOPWISE_FIND(QAction, bookmark, w, QLatin1String(action));
        m_navigations.clear();
        QSignalSpy loaded(w->browser(), &QWebEngineView::loadFinished);
        bookmark->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_navigations.size(), 1, 15000);
        // A page of this machine's is let load in full, so no answer of it reaches a later test.
        if (velmora)
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 15000);
        const QUrl url(m_navigations[0]);
        QCOMPARE(url.scheme() + url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority),
                 QStringLiteral("http") + QLatin1String(target));
        QCOMPARE(url.authority() == m_server.authority(), velmora);
    }
}

void TestWeb::aboutBox()
{
    // The update server down: the box opens, with empty credits, and closes as usual.
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    QVERIFY(QTest::qWaitForWindowExposed(Forms::showAbout()));
    QVERIFY(thanksText().isEmpty());
    HOPWISE_FIND(QPushButton, cmdClose, Forms::about(), QStringLiteral("cmdClose"));
    HOPWISE_FIND(QPushButton, cmdVelmora, Forms::about(), QStringLiteral("cmdVelmora"));
    QTest::mouseClick(cmdClose, Qt::LeftButton);
    QVERIFY(!Forms::about()->isVisible());

    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    // More than a mebibyte is refused.
    m_server.setResponse(CreditsPath, "{\\rtf1\\ansi " + QByteArray(1024 * 1024 + 10, 'x') + "}");
    Forms::showAbout();
    QVERIFY(thanksText().isEmpty());
    Forms::about()->close();
    // Pictures, objects and included pictures never load.
    m_server.setResponse(CreditsPath,
                         "{\\rtf1\\ansi A{\\pict\\pngblip 89504e47}{\\object\\objemb{\\*\\objdata "
                         "0105}{\\result{\\pict\\jpegblip ffd8}}}{\\field{\\*\\fldinst "
                         "INCLUDEPICTURE \"/~users/HopWise/x.png\"}{\\fldrslt B}}"
                         "<img src=\"/~users/HopWise/y.png\">}");
    Forms::showAbout();
    QCOMPARE(thanksText(), QStringLiteral("AB<img src=\"/~users/HopWise/y.png\">"));
    QCoreApplication::processEvents();
    QCOMPARE(m_server.requests().size(), 2);
    Forms::about()->close();

    // Fetched at every opening (the fetch is over by the time the box shows), not while open.
    m_server.setResponse(CreditsPath, Credits);
    HOPWISE_FIND(QAction, mnuAbout, Forms::preloadMain(), QStringLiteral("mnuAbout"));
    mnuAbout->trigger();
    QVERIFY(Forms::about()->isVisible());
    QCOMPARE(thanksText(), CreditsText);
    Forms::showAbout();
    QCOMPARE(m_server.requests().size(), 3);
    // A failed fetch keeps the credits fetched earlier; new ones replace them.
    Forms::about()->close();
    m_server.setResponse(CreditsPath, "gone", 404);
    Forms::showAbout();
    QCOMPARE(thanksText(), CreditsText);
    Forms::about()->close();
    m_server.setResponse(CreditsPath, "{\\rtf1\\ansi New names\\par}");
    Forms::showAbout();
    QCOMPARE(thanksText(), QStringLiteral("New names"));
    QCOMPARE(m_server.requests().size(), 5);

    // "Velmora" hands the front page to the desktop and leaves the box open.
    QTest::mouseClick(cmdVelmora, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl("http://" + m_server.authority())});
    QVERIFY(Forms::about()->isVisible());
}

void TestWeb::officialHighscoresFromTheStatLookup()
{
    // The official site is played by the local server; the name goes as the page encodes it.
    HOPWISE_FIND(QComboBox, name, Forms::preloadMain(), QStringLiteral("cboUsername"));
    HOPWISE_FIND(QPushButton, realHS, Forms::preloadMain(), QStringLiteral("cmdRealHS"));
    name->setEditText(QStringLiteral("a b&user2=c#d%+1"));
    realHS->click();
    QVERIFY(Forms::browser() && Forms::browser()->isVisible());
    QVERIFY(m_server.waitForRequests(1, 15000));
    QCOMPARE(m_server.requests()[0].target,
             "/lang/en/aff/runescape/hiscorepersonal.ws?user1=a%20b%26user2%3Dc%23d%25%2B1");
    QCOMPARE(m_server.requests()[0].host,
             "hiscore.localhost:" + QByteArray::number(m_server.port()));
    // Neither a lookup (the relay is the same server here) nor a name in the history.
    QCOMPARE(name->count(), 0);
}

void TestWeb::newWindowsGoToTheDesktop_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("elsewhere"); // an address no new window may take to the desktop
    // clang-format off
    QTest::newRow("game view, file") << "wbClient" << "file:///etc/passwd";
    QTest::newRow("game view, mail") << "wbClient" << "mailto:mira@example.com";
    QTest::newRow("game view, irc") << "wbClient" << "irc://irc.example.com/hopwise";
    QTest::newRow("mini browser, ftp") << "wbMinibrowser" << "ftp://ftp.example.com/";
    QTest::newRow("mini browser, steam") << "wbMinibrowser" << "steam://run/1343400";
    // The engine hands a new window only the data addresses it would download.
    QTest::newRow("mini browser, data") << "wbMinibrowser" << "data:application/octet-stream;base64,TVo=";
    // clang-format on
}

void TestWeb::newWindowsGoToTheDesktop()
{
    QFETCH(QString, view);
    QFETCH(QString, elsewhere);
    // Three bands, clicked from the bottom up: a new window for an address that is not on the
    // web, one by script, one by a link's target. The window the page asks for as it loads,
    // with no click, never opens.
    const QByteArray page =
        "<html><body style='margin:0' onload=\"window.open('/by-onload')\">"
        "<a href='/by-link' target='_blank' style='display:block;height:100px'>"
        "link</a><div onclick=\"window.open('/by-script')\" style='height:100px'>"
        "script</div><div onclick=\"window.open('" +
        elsewhere.toUtf8() + "')\" style='height:100px'>elsewhere</div></body></html>";
    m_server.setResponse("/opener", {200, page, "text/html", 0, false});
    std::unique_ptr<FrmMain> main;
    if (view == QLatin1String("wbClient"))
        (main = std::make_unique<FrmMain>())->show();
    WebBrowser *browser = main ? main->findChild<WebBrowser *>(view) : openBrowser()->browser();
    QVERIFY(QTest::qWaitForWindowExposed(browser->window()));
    QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
    const QUrl opener("http://" + m_server.authority() + "/opener");
    browser->Navigate(opener.toString());
    QTRY_VERIFY_WITH_TIMEOUT(
        browser->url() == opener && !loaded.isEmpty() && loaded.last().value(0).toBool(), 15000);
    QWidget *surface = browser->focusProxy();
    QVERIFY(surface);
    for (int y : {250, 150, 50})
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, y));
    QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 2, 15000);
    QCOMPARE(m_opened,
             (QList<QUrl>{opener.resolved(QUrl("/by-script")), opener.resolved(QUrl("/by-link"))}));
    // The view keeps its page, and nothing was fetched for the new windows.
    QCOMPARE(browser->url(), opener);
    for (const RecordingServer::Request &request : m_server.requests())
        QVERIFY2(!request.target.startsWith("/by-"), request.target.constData());
}

void TestWeb::redirects_data()
{
    // Each hop answers with a redirect to the next; the last one holds the levels.
    QTest::addColumn<QStringList>("hops");
    QTest::addColumn<bool>("followed");
    QTest::newRow("same server") << QStringList{"plain"} << true;
    QTest::newRow("moved to https on another port") << QStringList{"tls"} << true;
    QTest::newRow("moved to https, then within it") << QStringList{"tls", "tls"} << true;
    QTest::newRow("https back to http") << QStringList{"tls", "plain"} << false;
    QTest::newRow("another port") << QStringList{"other port"} << false;
    QTest::newRow("another host") << QStringList{"localhost"} << false;
    QTest::newRow("another host over https") << QStringList{"localhost tls"} << false;
    QTest::newRow("on and on") << QStringList(11, QStringLiteral("plain")) << false;
}

void TestWeb::redirects()
{
    QFETCH(QStringList, hops);
    QFETCH(bool, followed);
    QByteArray path = "/highscores.php";
    RecordingServer *server = &m_server;
    for (int i = 0; i < hops.size(); ++i) {
        const QString hop = hops.at(i);
        RecordingServer *next = hop.contains("tls")                  ? &m_tls
                                : hop == QLatin1String("other port") ? &m_otherPort
                                                                     : &m_server;
        QByteArray origin = next->origin();
        if (hop.startsWith(QLatin1String("localhost")))
            origin.replace("127.0.0.1", "localhost");
        const QByteArray nextPath = "/hop" + QByteArray::number(i);
        RecordingServer::Response moved(302);
        moved.headers = "Location: " + origin + nextPath + "\r\n";
        server->setResponse(path, moved);
        server = next;
        path = nextPath;
    }
    server->setResponse(path, "42|");

    StatLookupPage page;
    HOPWISE_FIND(QLabel, lblAttack, &page, QStringLiteral("lblAttack"));
    HOPWISE_FIND(QPushButton, cmdView, &page, QStringLiteral("cmdView"));
    cmdView->click();
    QCOMPARE(lblAttack->text(), followed ? QStringLiteral("42") : QString());
    // A refused hop is never asked at all.
    bool lastAsked = false;
    for (const RecordingServer::Request &r : server->requests())
        lastAsked = lastAsked || r.path() == path;
    QCOMPARE(lastAsked, followed);
}

void TestWeb::versionCheckFollowsItsServerToHttps()
{
    RecordingServer::Response moved(301);
    moved.headers = "Location: " + m_tls.origin() + VersionPath + "\r\n";
    m_server.setResponse(VersionPath, moved);
    m_tls.setResponse(VersionPath, "9.9.9");

    QVERIFY(!FrmSplash::start());
    QVERIFY(updatePrompted());
    QCOMPARE(m_tls.requests().size(), 1);
}

void TestWeb::tricklingServerHoldsTheSplashNoLongerThanTheCheck()
{
    // Far more than it could send before the test ends, one byte at a time and never silent
    // long enough for a time-out between bytes.
    RecordingServer::Response trickle(200, QByteArray(1 << 20, ' '));
    trickle.trickleMs = 100;
    m_server.setResponse(VersionPath, trickle);

    QTimer::singleShot(0, this, [] { FrmSplash::start(); });
    // Without the check's own bound the fetcher's would end it, three silences' worth later:
    // the main window must come before that.
    QVERIFY(QTest::qWaitFor([] { return Forms::mainWindow() && Forms::mainWindow()->isVisible(); },
                            3 * FrmSplash::CheckTimeoutMs));
    QVERIFY(!updatePrompted());
}

HOPWISE_TEST_MAIN(TestWeb)
#include "tst_web.moc"
