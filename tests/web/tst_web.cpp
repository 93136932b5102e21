// The mini browser and the About box, with pages and credits served on loopback.
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "controls/webbrowser.h"
#include "core/desktop.h"
#include "recordingserver.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "testmain.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <tuple>

namespace {

const QByteArray CreditsPath = "/~users/HopWise/thanks.rtf";
const QByteArray Credits = "{\\rtf1\\ansi\\ansicpg1252{\\colortbl ;\\red0\\green0\\blue255;}"
                           "\\b Mira\\b0  for the world list\\par\r\n\\cf1 Osk\\u225?r\\par\r\n}";
const QString CreditsText = QStringLiteral("Mira for the world list\nOsk\u00e1r");

// The credits the About box shows; no box fails the running test.
QString thanksText()
{
    auto *box = Forms::about() ? Forms::about()->findChild<RichTextBox *>("rtfThanks") : nullptr;
    if (!box) {
        QTest::qFail("no About box with rtfThanks", __FILE__, __LINE__);
        return QStringLiteral("<no credits box>");
    }
    return box->text();
}

// Sets a window's outer size in pixels, whatever frame the platform adds.
void setOuterPx(QWidget *w, int width, int height)
{
    const QSize frame = w->frameGeometry().size() - w->geometry().size();
    w->resize(width - frame.width(), height - frame.height());
}

} // namespace

class TestWeb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowSizeLaysOutTheBrowser();
    void addressAndTitle();
    void bookmarks();
    void openings();
    void officialHighscoresFromTheStatLookup();
    void untrustedCredits();
    void newWindowsGoToTheDesktop_data();
    void newWindowsGoToTheDesktop();

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
    QStringList m_navigations; // main frame only
    QList<QUrl> m_opened;      // by the desktop
};

void TestWeb::init()
{
    m_server.clearRequests();
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
}

void TestWeb::windowSizeLaysOutTheBrowser()
{
    FrmBrowser *w = openBrowser();
    QVERIFY(w);
    setOuterPx(w, 10185 / 15, 9315 / 15);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(10185, 9315));
    QTRY_COMPARE(w->browser()->geometry(), Twips::rect(120, 480, 9835, 8275));
    const int height = w->browser()->height();

    // 900 twips high: no height for the browser, which keeps its last one; the width follows.
    setOuterPx(w, 500, 60);
    QTRY_COMPARE(w->browser()->size(), QSize(Twips::toPx(7500 - 350), height));
    setOuterPx(w, 700, 650);
    QTRY_COMPARE(w->browser()->geometry(), Twips::rect(120, 480, 10500 - 350, 9750 - 1040));
}

void TestWeb::addressAndTitle()
{
    FrmBrowser *w = openBrowser();
    QVERIFY(w);
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
}

void TestWeb::bookmarks()
{
    // Each bookmark's target as the design gives it: http, path and query, and the Marketplace and
    // the VLM Forum on the Velmora site (the local server here).
    FrmBrowser *w = openBrowser();
    QVERIFY(w);
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

void TestWeb::openings()
{
    // The update server down: the box opens, with empty credits, and closes as usual.
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    QVERIFY(QTest::qWaitForWindowExposed(Forms::showAbout()));
    QVERIFY(thanksText().isEmpty());
    HOPWISE_FIND(QPushButton, cmdClose, Forms::about(), QStringLiteral("cmdClose"));
    HOPWISE_FIND(QPushButton, cmdVelmora, Forms::about(), QStringLiteral("cmdVelmora"));
    QTest::mouseClick(cmdClose, Qt::LeftButton);
    QVERIFY(!Forms::about()->isVisible());

    // Fetched at every opening (the fetch is over by the time the box shows), not while open.
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    HOPWISE_FIND(QAction, mnuAbout, Forms::preloadMain(), QStringLiteral("mnuAbout"));
    mnuAbout->trigger();
    QVERIFY(Forms::about()->isVisible());
    QCOMPARE(thanksText(), CreditsText);
    Forms::showAbout();
    QCOMPARE(m_server.requests().size(), 1);
    // A failed fetch keeps the credits fetched earlier; new ones replace them.
    Forms::about()->close();
    m_server.setResponse(CreditsPath, "gone", 404);
    Forms::showAbout();
    QCOMPARE(thanksText(), CreditsText);
    Forms::about()->close();
    m_server.setResponse(CreditsPath, "{\\rtf1\\ansi New names\\par}");
    Forms::showAbout();
    QCOMPARE(thanksText(), QStringLiteral("New names"));
    QCOMPARE(m_server.requests().size(), 3);

    // "Velmora" hands the front page to the desktop and leaves the box open.
    QTest::mouseClick(cmdVelmora, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl("http://" + m_server.authority())});
    QVERIFY(Forms::about()->isVisible());
}

void TestWeb::officialHighscoresFromTheStatLookup()
{
    // The official site is played by the local server; the name goes as the page encodes it.
    FrmMain *main = Forms::preloadMain();
    auto *name = main->findChild<QComboBox *>(QStringLiteral("cboUsername"));
    auto *realHS = main->findChild<QPushButton *>(QStringLiteral("cmdRealHS"));
    QVERIFY(name && realHS);
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

void TestWeb::untrustedCredits()
{
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
    WebBrowser *browser = nullptr;
    if (view == QLatin1String("wbClient")) {
        main = std::make_unique<FrmMain>();
        main->show();
        browser = main->findChild<WebBrowser *>(view);
    } else {
        browser = openBrowser()->browser();
    }
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

HOPWISE_TEST_MAIN(TestWeb)
#include "tst_web.moc"
