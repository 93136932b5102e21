// The program's pages against HTTP and HTTPS servers on loopback that record every request: the
// mini browser, the About box, the stat lookup and its relay, where a redirect may lead, and how
// long a server may hold the start-up check.
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
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

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

// Value labels (less their "lbl") in the order of the relay's fields.
const QStringList FieldLabels =
    QStringLiteral("Attack Strength Defence Hitpoints Ranged Prayer Magic Cooking Woodcutting "
                   "Fletching Fishing Firemaking Crafting Smithing Mining Herblore Agility "
                   "Thieving Slayer Runecrafting Farming Construction")
        .split(QLatin1Char(' '));

QByteArray joined(const char *prefix, int count)
{
    QStringList fields;
    for (int i = 0; i < count; ++i)
        fields << QLatin1String(prefix) + QString::number(i);
    return fields.join(QLatin1Char('|')).toUtf8();
}

} // namespace

class TestWeb : public QObject
{
    Q_OBJECT

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

    void lookup(bool byEnter = false)
    {
        byEnter ? QTest::keyClick(combo()->lineEdit(), Qt::Key_Return)
                : m_page->findChild<QPushButton *>(QStringLiteral("cmdView"))->click();
    }
    QComboBox *combo() const { return m_page->findChild<QComboBox *>(); }
    QLabel *label(const QString &n) const { return m_page->findChild<QLabel *>("lbl" + n); }
    // A lookup the relay answers with these bodies.
    void lookup(const QByteArray &levels, const QByteArray &experience, int levelsStatus = 200)
    {
        m_server.setResponse("/highscores.php", levels, levelsStatus);
        m_server.setResponse("/highscoresxp.php", experience);
        lookup();
    }

    RecordingServer m_server; // the update server, the Velmora site, the relay and the games
    RecordingServer m_tls{nullptr, RecordingServer::Tls};
    RecordingServer m_otherPort;
    QTemporaryDir m_programDir;
    StatLookupPage *m_page = nullptr; // a stat lookup page of its own for each test
    QStringList m_navigations;        // main frame only
    QList<QUrl> m_opened;             // by the desktop

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        RecordingServer::trustLoopbackCertificate();
        QVERIFY(m_programDir.isValid());
        qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
        m_server.setFallback({200, "<title>page</title>", "text/html", 0, false});
        Desktop::setOpenUrlHandlerForTesting([this](const QUrl &url) {
            m_opened << url;
            return true;
        });
    }

    void init()
    {
        for (RecordingServer *server : {&m_server, &m_tls, &m_otherPort})
            server->clearRequests();
        m_server.setResponse(CreditsPath, Credits);
        qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
        qputenv("HOPWISE_VELMORA_SITE", m_server.authority().toUtf8());
        qputenv("HOPWISE_GAME_DOMAIN", "localhost:" + QByteArray::number(m_server.port()));
        m_navigations.clear();
        m_opened.clear();
        m_page = new StatLookupPage;
        // The helpers use these without looking again: a missing one fails here.
        QVERIFY(combo() && combo()->lineEdit() && m_page->findChild<QPushButton *>("cmdView"));
        for (const QString &name : FieldLabels + QStringList{QStringLiteral("Combat")})
            QVERIFY2(label(name), qPrintable(name));
    }

    void cleanup()
    {
        delete m_page;
        Forms::resetForTesting();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<FrmSplash *>(w) || qobject_cast<FrmUpdate *>(w))
                delete w;
    }

    void miniBrowser()
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
    }

    void bookmarks()
    {
        // In a browser of its own: a navigation still settling there must not count as a
        // bookmark's.
        FrmBrowser *w = openBrowser();
        QVERIFY(w);
        // Each bookmark's target as the design gives it: http, path and query, and the Marketplace
        // and the VLM Forum on the Velmora site (the local server here).
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
            // A page of this machine's is let load in full, so no answer of it reaches a later
            // test.
            if (velmora)
                QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 15000);
            const QUrl url(m_navigations[0]);
            QCOMPARE(url.scheme() + url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority),
                     QStringLiteral("http") + QLatin1String(target));
            QCOMPARE(url.authority() == m_server.authority(), velmora);
        }
    }

    void aboutBox()
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
        auto reopen = [this](const QByteArray &credits, int status = 200) {
            Forms::about()->close();
            m_server.setResponse(CreditsPath, credits, status);
            Forms::showAbout();
        };
        // More than a mebibyte is refused.
        reopen("{\\rtf1\\ansi " + QByteArray(1024 * 1024 + 10, 'x') + "}");
        QVERIFY(thanksText().isEmpty());
        // Pictures, objects and included pictures never load.
        reopen("{\\rtf1\\ansi A{\\pict\\pngblip 89504e47}{\\object\\objemb{\\*\\objdata "
               "0105}{\\result{\\pict\\jpegblip ffd8}}}{\\field{\\*\\fldinst "
               "INCLUDEPICTURE \"/~users/HopWise/x.png\"}{\\fldrslt B}}"
               "<img src=\"/~users/HopWise/y.png\">}");
        QCOMPARE(thanksText(), QStringLiteral("AB<img src=\"/~users/HopWise/y.png\">"));
        QCoreApplication::processEvents();
        QCOMPARE(m_server.requests().size(), 2);

        // Fetched at every opening (the fetch is over by the time the box shows), not while open.
        Forms::about()->close();
        m_server.setResponse(CreditsPath, Credits);
        HOPWISE_FIND(QAction, mnuAbout, Forms::preloadMain(), QStringLiteral("mnuAbout"));
        mnuAbout->trigger();
        QVERIFY(Forms::about()->isVisible());
        QCOMPARE(thanksText(), CreditsText);
        Forms::showAbout();
        QCOMPARE(m_server.requests().size(), 3);
        // A failed fetch keeps the credits fetched earlier; new ones replace them.
        reopen("gone", 404);
        QCOMPARE(thanksText(), CreditsText);
        reopen("{\\rtf1\\ansi New names\\par}");
        QCOMPARE(thanksText(), QStringLiteral("New names"));
        QCOMPARE(m_server.requests().size(), 5);

        // "Velmora" hands the front page to the desktop and leaves the box open.
        QTest::mouseClick(cmdVelmora, Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl("http://" + m_server.authority())});
        QVERIFY(Forms::about()->isVisible());
    }

    void officialHighscoresFromTheStatLookup()
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

    void newWindowsGoToTheDesktop_data()
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

    void newWindowsGoToTheDesktop()
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
        QTRY_VERIFY_WITH_TIMEOUT(browser->url() == opener && !loaded.isEmpty() &&
                                     loaded.last().value(0).toBool(),
                                 15000);
        QWidget *surface = browser->focusProxy();
        QVERIFY(surface);
        for (int y : {250, 150, 50})
            QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, y));
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 2, 15000);
        QCOMPARE(m_opened, (QList<QUrl>{opener.resolved(QUrl("/by-script")),
                                        opener.resolved(QUrl("/by-link"))}));
        // The view keeps its page, and nothing was fetched for the new windows.
        QCOMPARE(browser->url(), opener);
        for (const RecordingServer::Request &request : m_server.requests())
            QVERIFY2(!request.target.startsWith("/by-"), request.target.constData());
    }

    void gridAsDesigned()
    {
        // The design's grid, row by row, columns left to right (its misspelt "Herbore:" kept): each
        // caption at its cell, and right after it on the same line the value label of its skill.
        const QStringList design{
            "Attack: Magic: Crafting: Slayer:",
            "Defence: Cooking: Smithing: Farming:",
            "Strength: Woodcutting: Mining: Runecrafting:",
            "Hitpoints: Fletching: Herbore: Construction:",
            "Ranged: Fishing: Agility: Combat:",
            "Prayer: Firemaking: Thieving:",
        };
        QStringList shown;
        for (int top : {600, 840, 1080, 1320, 1560, 1800}) {
            QStringList row;
            for (int left : {2400, 3840, 5640, 7320}) {
                for (QLabel *caption :
                     m_page->findChildren<QLabel *>(QRegularExpression("^Label"))) {
                    if (caption->pos() != Twips::rect(left, top, 0, 0).topLeft())
                        continue;
                    row << caption->text();
                    QWidget *value = caption->buddy();
                    QVERIFY2(value && value->objectName().mid(3, 4) == caption->text().left(4),
                             qPrintable(caption->text()));
                    QCOMPARE(value->pos(), QPoint(caption->geometry().right() + 1, caption->y()));
                }
            }
            shown << row.join(' ');
        }
        QCOMPARE(shown, design);
    }

    void requestsCarryTheEncodedName_data()
    {
        QTest::addColumn<QString>("name"); // null: the box left as it starts
        QTest::addColumn<QByteArray>("query");
        // The characters themselves are tst_pagelogic's; here the request line they go out in.
        QTest::newRow("untouched box") << QString() << QByteArray("Username%20Here");
        QTest::newRow("line break splits no request")
            << QStringLiteral("a\r\nHost: x") << QByteArray("a%0D%0AHost%3A%20x");
        QTest::newRow("UTF-8, blanks kept")
            << QStringLiteral(" J\u00f6rg ") << QByteArray("%20J%C3%B6rg%20");
    }

    void requestsCarryTheEncodedName()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, query);
        if (!name.isNull())
            combo()->setEditText(name);
        lookup("1", "2");

        const QList<RecordingServer::Request> requests = m_server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.value(0).line, "GET /highscores.php?name=" + query + " HTTP/1.1");
        QCOMPARE(requests.value(1).line, "GET /highscoresxp.php?name=" + query + " HTTP/1.1");
        QCOMPARE(requests.value(1).host, m_server.authority().toUtf8());
    }

    void bodiesUpdateTheirFields_data()
    {
        QTest::addColumn<int>("levels"); // fields sent
        QTest::addColumn<int>("levelsStatus");
        QTest::addColumn<int>("experience");
        QTest::addColumn<int>("levelsShown"); // fields updated; experience: up to 22 of those sent
        QTest::newRow("22 fields") << 22 << 200 << 22 << 22;
        QTest::newRow("25 fields") << 25 << 200 << 25 << 22;
        QTest::newRow("3 and 22 fields") << 3 << 200 << 22 << 3;
        QTest::newRow("1 field") << 1 << 200 << 1 << 1;
        QTest::newRow("empty bodies") << 0 << 200 << 0 << 0;
        QTest::newRow("levels fail, experience works") << 22 << 500 << 22 << 0;
    }

    void bodiesUpdateTheirFields()
    {
        QFETCH(int, levels);
        QFETCH(int, levelsStatus);
        QFETCH(int, experience);
        QFETCH(int, levelsShown);
        lookup(joined("old", 22), joined("oldxp", 22));
        lookup(joined("L", levels), joined("E", experience), levelsStatus);

        for (int k = 0; k < 22; ++k) {
            QCOMPARE(label(FieldLabels[k])->text(),
                     QString(k < levelsShown ? "L%1" : "old%1").arg(k));
            QCOMPARE(label(FieldLabels[k])->toolTip(),
                     QString(k < experience ? "E%1 XP" : "oldxp%1 XP").arg(k));
        }
    }

    void lookupsOnOnePage()
    {
        // The history: one item per lookup, by button or Enter, whatever the relay answers.
        const QStringList names{"Bob", "Bob", "Al", "bob", "Bob"};
        for (int i = 0; i < names.size(); ++i) {
            combo()->setEditText(names[i]);
            lookup(i % 2);
            QCOMPARE(combo()->count(), i + 1);
            QCOMPARE(combo()->itemText(i), names[i]);
        }

        // Only Enter looks up, and a name in the history is never put in place of the one typed.
        m_server.clearRequests();
        QLineEdit *edit = combo()->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("Bo"));
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Backspace})
            QTest::keyClick(edit, key);
        QCOMPARE(m_server.requests().size(), 0);
        lookup(true);
        QCOMPARE(m_server.requests().value(0).target, QByteArray("/highscores.php?name=Bo"));
        QCOMPARE(edit->text(), QStringLiteral("Bo"));

        // The experience tool tip shows the relay's text as plain text.
        const QByteArray hostile = "<img src=\"http://127.0.0.1:1/x\"><b>1</b>";
        lookup("5", hostile);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), QPoint(100, 100));
        QCoreApplication::sendEvent(label("Attack"), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        QCOMPARE(shown.toPlainText(), QString::fromLatin1(hostile) + QStringLiteral(" XP"));

        // The combat level, worked out once per lookup that changes the levels.
        auto *timer = m_page->findChild<QTimer *>(QStringLiteral("tmrCombat"));
        QTRY_VERIFY(!timer->isActive());
        QSignalSpy ticks(timer, &QTimer::timeout);
        // Field order: attack, strength, defence, hitpoints, ranged, prayer, magic. Ranged and
        // magic do not count.
        lookup("1|1|1|10|99|1|99", "");
        QTRY_VERIFY(!timer->isActive());
        QCOMPARE(ticks.size(), 1);
        QCOMPARE(label("Combat")->text(), QStringLiteral("3.525"));

        // The next player has the same Attack: the level still follows the new stats.
        lookup("1|1|1|99|1|1|1", "");
        QTRY_COMPARE(ticks.size(), 2);
        QCOMPARE(label("Combat")->text(), QStringLiteral("25.775"));

        // A failed levels request writes no caption, so nothing is computed.
        lookup("", "", 500);
        QVERIFY(!timer->isActive());

        // A caption that is no number leaves the level empty.
        lookup("abc|1|1|1|1|1", "");
        QTRY_VERIFY(!timer->isActive());
        QCOMPARE(ticks.size(), 3);
        QCOMPARE(label("Combat")->text(), QString());
    }

    void redirects_data()
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

    void redirects()
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

        lookup();
        QCOMPARE(label("Attack")->text(), followed ? QStringLiteral("42") : QString());
        // A refused hop is never asked at all.
        bool lastAsked = false;
        for (const RecordingServer::Request &r : server->requests())
            lastAsked = lastAsked || r.path() == path;
        QCOMPARE(lastAsked, followed);
    }

    void versionCheckFollowsItsServerToHttps()
    {
        RecordingServer::Response moved(301);
        moved.headers = "Location: " + m_tls.origin() + VersionPath + "\r\n";
        m_server.setResponse(VersionPath, moved);
        m_tls.setResponse(VersionPath, "9.9.9");

        QVERIFY(!FrmSplash::start());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::any_of(windows.cbegin(), windows.cend(),
                            [](QWidget *w) { return qobject_cast<FrmUpdate *>(w); }));
        QCOMPARE(m_tls.requests().size(), 1);
    }

    void tricklingServerHoldsTheSplashNoLongerThanTheCheck()
    {
        // Far more than it could send before the test ends, one byte at a time and never silent
        // long enough for a time-out between bytes.
        RecordingServer::Response trickle(200, QByteArray(1 << 20, ' '));
        trickle.trickleMs = 100;
        m_server.setResponse(VersionPath, trickle);

        QTimer::singleShot(0, this, [] { FrmSplash::start(); });
        // Without the check's own bound the fetcher's would end it, three silences' worth later:
        // the main window must come before that.
        QVERIFY(
            QTest::qWaitFor([] { return Forms::mainWindow() && Forms::mainWindow()->isVisible(); },
                            3 * FrmSplash::CheckTimeoutMs));
    }
};

HOPWISE_TEST_MAIN(TestWeb)
#include "tst_web.moc"
