// The mini browser window, with pages served on loopback.
#include "controls/twips.h"
#include "recordingserver.h"
#include "shell/forms.h"
#include "shell/webbrowser.h"
#include "testmain.h"
#include "web/frmbrowser.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

#include <memory>

namespace {

RecordingServer::Response page(const QByteArray &html)
{
    RecordingServer::Response r;
    r.body = html;
    r.contentType = "text/html; charset=utf-8";
    return r;
}

// Navigations the window asks for, main frame only; anything not bound for this machine is
// cancelled before a request is made.
struct NavigationLog
{
    QStringList urls;
};

void guard(WebBrowser *browser, NavigationLog *log)
{
    QObject::connect(
        browser, &WebBrowser::BeforeNavigate2, browser,
        [log](const QString &url, bool isMainFrame, bool *cancel) {
            const QString host = QUrl(url).host();
            if (isMainFrame)
                log->urls << url;
            if (host != QLatin1String("127.0.0.1") && host != QLatin1String("localhost") &&
                !host.endsWith(QLatin1String(".localhost")))
                *cancel = true;
        },
        Qt::DirectConnection);
}

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void browserExtent_data();
    void browserExtent();
    void designLayout();
    void windowSizeLaysOutTheBrowser();
    void shrinkingKeepsTheLastSize();
    void addressNavigatesAsTyped_data();
    void addressNavigatesAsTyped();
    void typingStartsNoNavigation();
    void titleChangeRewritesCaptionAndAddress();
    void bookmarks_data();
    void bookmarks();
    void closingUnloads();

private:
    FrmBrowser *open()
    {
        FrmBrowser *w = Forms::showBrowser();
        if (!QTest::qWaitForWindowExposed(w))
            return nullptr;
        return w;
    }
    // Sets the window's outer size in pixels, whatever frame the platform adds.
    static void setOuterPx(FrmBrowser *w, int width, int height)
    {
        const QSize frame = w->frameGeometry().size() - w->geometry().size();
        w->resize(width - frame.width(), height - frame.height());
    }
};

void TestBrowser::cleanup()
{
    Forms::resetForTesting();
    qunsetenv("HOPWISE_VELMORA_SITE");
    qunsetenv("HOPWISE_GAME_DOMAIN");
}

void TestBrowser::browserExtent_data()
{
    QTest::addColumn<int>("outer");
    QTest::addColumn<float>("margin");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("design height") << 9315 << FrmBrowser::HeightMargin << 8275;
    QTest::newRow("design width") << 10185 << FrmBrowser::WidthMargin << 9835;
    QTest::newRow("height at the margin") << 1040 << FrmBrowser::HeightMargin << 0;
    QTest::newRow("height below the margin") << 1039 << FrmBrowser::HeightMargin << -1;
    QTest::newRow("width below the margin") << 345 << FrmBrowser::WidthMargin << -1;
    QTest::newRow("no window") << 0 << FrmBrowser::HeightMargin << -1;
    // 2^24 + 1 has no single-precision form: it becomes 2^24 before the margin comes off.
    QTest::newRow("single precision") << 16777217 << FrmBrowser::HeightMargin << 16776176;
}

void TestBrowser::browserExtent()
{
    QFETCH(int, outer);
    QFETCH(float, margin);
    QFETCH(int, expected);
    const std::optional<int> extent = FrmBrowser::browserExtent(outer, margin);
    QCOMPARE(extent.value_or(-1), expected);
}

void TestBrowser::designLayout()
{
    FrmBrowser *w = open();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser"));
    QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!w->parentWidget());
    QCOMPARE(w->centralWidget()->size(), Twips::size(9855, 8295));

    auto *txtURL = w->findChild<QLineEdit *>(QStringLiteral("txtURL"));
    auto *cmdGO = w->findChild<QPushButton *>(QStringLiteral("cmdGO"));
    QVERIFY(txtURL && cmdGO);
    QVERIFY(txtURL->text().isEmpty());
    QCOMPARE(cmdGO->text(), QStringLiteral("Go"));
    QVERIFY(cmdGO->font().bold());
    QVERIFY(!txtURL->font().bold());
    QCOMPARE(txtURL->geometry(), Twips::rect(120, 120, 8655, 285));
    QCOMPARE(cmdGO->geometry(), Twips::rect(8880, 120, 855, 255));
    // The window goes nowhere by itself.
    QVERIFY(w->browser()->url().isEmpty());

    auto *menu = w->findChild<QMenu *>(QStringLiteral("mnuRunescape"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Runescape"));
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->objectName() + QLatin1Char('=') + a->text();
    QCOMPARE(items, (QStringList{"mnuQuests=Quest Guides", "mnuTreasure=Treasure Trails",
                                 "mnuMarket=Marketplace", "mnuOffForum=Official Forum",
                                 "mnuVLMForum=VLM Forum"}));
    QCOMPARE(w->menuBar()->actions().size(), 1);

    auto *imgBG = w->findChild<QLabel *>(QStringLiteral("imgBG"));
    QVERIFY(imgBG && !imgBG->pixmap().isNull());
}

void TestBrowser::windowSizeLaysOutTheBrowser()
{
    FrmBrowser *w = open();
    QVERIFY(w);
    auto *imgBG = w->findChild<QLabel *>(QStringLiteral("imgBG"));
    // 10185 x 9315 twips outside: a browser of 9835 x 8275 twips.
    setOuterPx(w, 10185 / 15, 9315 / 15);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(10185, 9315));
    QTRY_COMPARE(w->browser()->geometry(), Twips::rect(120, 480, 9835, 8275));
    QCOMPARE(imgBG->geometry(), QRect(QPoint(0, 0), w->frameGeometry().size()));
}

void TestBrowser::shrinkingKeepsTheLastSize()
{
    FrmBrowser *w = open();
    QVERIFY(w);
    setOuterPx(w, 600, 500);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(9000, 7500));
    QTRY_COMPARE(w->browser()->size(), Twips::size(9000 - 350, 7500 - 1040));

    // 900 twips high: no height for the browser, which keeps its last one; the width follows.
    setOuterPx(w, 500, 60);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(7500, 900));
    QTRY_COMPARE(w->browser()->size(), QSize(Twips::toPx(7500 - 350), Twips::toPx(7500 - 1040)));
    QCOMPARE(w->browser()->pos(), Twips::rect(120, 480, 0, 0).topLeft());

    setOuterPx(w, 700, 650);
    QTRY_COMPARE(w->outerSizeTwips(), QSize(10500, 9750));
    QTRY_COMPARE(w->browser()->size(), Twips::size(10500 - 350, 9750 - 1040));
}

void TestBrowser::addressNavigatesAsTyped_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<bool>("withScheme");
    QTest::newRow("enter, no scheme") << true << false;
    QTest::newRow("enter, with scheme") << true << true;
    QTest::newRow("go, no scheme") << false << false;
    QTest::newRow("go, with scheme") << false << true;
}

void TestBrowser::addressNavigatesAsTyped()
{
    QFETCH(bool, byEnter);
    QFETCH(bool, withScheme);
    RecordingServer server;
    server.setResponse("/alpha", page("<html><head><title>Alpha page</title></head></html>"));
    FrmBrowser *w = open();
    QVERIFY(w);
    NavigationLog log;
    guard(w->browser(), &log);
    auto *txtURL = w->findChild<QLineEdit *>(QStringLiteral("txtURL"));
    QSignalSpy returns(txtURL, &QLineEdit::returnPressed);

    const QString typed = QLatin1String(withScheme ? "http://" : "") +
                          QStringLiteral("127.0.0.1:%1/alpha?q=a%20b").arg(server.port());
    QTest::keyClicks(txtURL, typed);
    if (byEnter)
        QTest::keyClick(txtURL, Qt::Key_Return);
    else
        w->findChild<QPushButton *>(QStringLiteral("cmdGO"))->click();
    // Enter still reaches the box after the navigation has been started.
    QCOMPARE(returns.size(), byEnter ? 1 : 0);

    const QString full = QStringLiteral("http://127.0.0.1:%1/alpha?q=a%20b").arg(server.port());
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("HopWise Mini Browser - Alpha page"),
                              15000);
    // The address box holds the browser's full form of the address.
    QTRY_COMPARE(QUrl(txtURL->text()), QUrl(full));
    QCOMPARE(txtURL->text(), w->browser()->LocationURL());
    QCOMPARE(log.urls.value(0), full);
    QVERIFY(server.waitForRequests(1));
    QCOMPARE(server.requests().value(0).target, QByteArray("/alpha?q=a%20b"));
}

void TestBrowser::typingStartsNoNavigation()
{
    RecordingServer server;
    server.setFallback(page("<title>Go target</title>"));
    FrmBrowser *w = open();
    QVERIFY(w);
    NavigationLog log;
    guard(w->browser(), &log);
    auto *txtURL = w->findChild<QLineEdit *>(QStringLiteral("txtURL"));
    // Each prefix is an address of its own, and none of them may be visited.
    QTest::keyClicks(txtURL, QStringLiteral("127.0.0.1:%1/typed").arg(server.port()));
    QTest::keyClick(txtURL, Qt::Key_Tab);
    txtURL->setText(QStringLiteral("http://127.0.0.1:%1/go").arg(server.port()));
    w->findChild<QPushButton *>(QStringLiteral("cmdGO"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("HopWise Mini Browser - Go target"),
                              15000);
    QCOMPARE(log.urls.value(0), QStringLiteral("http://127.0.0.1:%1/go").arg(server.port()));
    QCOMPARE(server.requests().value(0).target, QByteArray("/go"));
}

void TestBrowser::titleChangeRewritesCaptionAndAddress()
{
    RecordingServer server;
    server.setResponse("/one", page("<html><head><title>&lt;b&gt;One&lt;/b&gt; &amp; co</title>"
                                    "</head><body></body></html>"));
    server.setResponse("/two", page("<html><head><title>First</title></head><body><script>"
                                    "setTimeout(function(){document.title='Second';},300);"
                                    "</script></body></html>"));
    FrmBrowser *w = open();
    QVERIFY(w);
    auto *txtURL = w->findChild<QLineEdit *>(QStringLiteral("txtURL"));
    const QString one = QStringLiteral("http://127.0.0.1:%1/one").arg(server.port());
    const QString two = QStringLiteral("http://127.0.0.1:%1/two").arg(server.port());

    w->browser()->Navigate(one);
    // The title is shown as the text it is.
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(),
                              QStringLiteral("HopWise Mini Browser - <b>One</b> & co"), 15000);
    QCOMPARE(txtURL->text(), one);

    w->browser()->Navigate(two);
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser - First"));
    QCOMPARE(txtURL->text(), two);
    // What the user is typing gives way to the page's own address at the next title change.
    txtURL->setText(QStringLiteral("half-typed"));
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser - Second"));
    QCOMPARE(txtURL->text(), two);
}

void TestBrowser::bookmarks_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("url");       // as the browser asks to go there; %1: local port
    QTest::addColumn<QByteArray>("target"); // what the local server must see, if it is local
    QTest::addColumn<QByteArray>("host");

    QTest::newRow("Quest Guides") << "mnuQuests"
                                  << "http://www.questguides.net/runescape/?rs2quest"
                                  << QByteArray() << QByteArray();
    QTest::newRow("Treasure Trails")
        << "mnuTreasure"
        << "http://www.cluescrolls.net/treasuretrails.php" << QByteArray() << QByteArray();
    QTest::newRow("Marketplace") << "mnuMarket"
                                 << "http://127.0.0.1:%1/runeListing" << QByteArray("/runeListing")
                                 << QByteArray("127.0.0.1:%1");
    QTest::newRow("Official Forum")
        << "mnuOffForum"
        << "http://forum.localhost:%1/lang/en/aff/runescape/forums.ws"
        << QByteArray("/lang/en/aff/runescape/forums.ws") << QByteArray("forum.localhost:%1");
    QTest::newRow("VLM Forum: the front page")
        << "mnuVLMForum"
        << "http://127.0.0.1:%1/" << QByteArray("/") << QByteArray("127.0.0.1:%1");
}

void TestBrowser::bookmarks()
{
    QFETCH(QString, action);
    QFETCH(QString, url);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, host);
    RecordingServer server;
    server.setFallback(page("<title>bookmark</title>"));
    const QByteArray port = QByteArray::number(server.port());
    qputenv("HOPWISE_VELMORA_SITE", server.authority().toUtf8());
    qputenv("HOPWISE_GAME_DOMAIN", "localhost:" + port);
    if (url.contains(QLatin1String("%1")))
        url = url.arg(server.port());

    FrmBrowser *w = open();
    QVERIFY(w);
    NavigationLog log;
    guard(w->browser(), &log);
    w->findChild<QAction *>(action)->trigger();

    QTRY_VERIFY_WITH_TIMEOUT(!log.urls.isEmpty(), 15000);
    QCOMPARE(log.urls.first(), url);
    if (target.isEmpty())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!server.requests().isEmpty(), 15000);
    QCOMPARE(server.requests().first().target, target);
    QCOMPARE(server.requests().first().host, host.replace("%1", port));
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("HopWise Mini Browser - bookmark"));
}

void TestBrowser::closingUnloads()
{
    RecordingServer server;
    server.setFallback(page("<title>Somewhere</title>"));
    QPointer<FrmBrowser> w = open();
    QVERIFY(w);
    w->browser()->Navigate(server.authority() + QStringLiteral("/x"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("HopWise Mini Browser - Somewhere"),
                              15000);
    QCOMPARE(Forms::showBrowser(), w.data());

    w->close();
    QTRY_VERIFY(w.isNull());
    QVERIFY(!Forms::browser());

    FrmBrowser *again = open();
    QVERIFY(again);
    QCOMPARE(again->windowTitle(), QStringLiteral("HopWise Mini Browser"));
    QVERIFY(again->findChild<QLineEdit *>(QStringLiteral("txtURL"))->text().isEmpty());
    QVERIFY(again->browser()->url().isEmpty());
}

HOPWISE_TEST_MAIN(TestBrowser)
#include "tst_browser.moc"
