// The "Stat Lookup" page against a local relay that records every request.
#include "controls/changelabel.h"
#include "recordingserver.h"
#include "shell/forms.h"
#include "stats/statlookuppage.h"
#include "testmain.h"
#include "web/frmbrowser.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

namespace {

// Value labels in the order of the relay's fields.
const char *const FieldLabels[22] = {
    "lblAttack",   "lblStrength",    "lblDefence",  "lblHitpoints",   "lblRanged",
    "lblPrayer",   "lblMagic",       "lblCooking",  "lblWoodcutting", "lblFletching",
    "lblFishing",  "lblFiremaking",  "lblCrafting", "lblSmithing",    "lblMining",
    "lblHerblore", "lblAgility",     "lblThieving", "lblSlayer",      "lblRunecrafting",
    "lblFarming",  "lblConstruction"};

QByteArray joined(const QString &prefix, int count)
{
    QStringList fields;
    for (int i = 0; i < count; ++i)
        fields << prefix + QString::number(i);
    return fields.join(QLatin1Char('|')).toUtf8();
}

} // namespace

class TestStatLookup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void gridCaptions();
    void requestsCarryTheEncodedName_data();
    void requestsCarryTheEncodedName();
    void nameIsReadAgainForTheSecondRequest();
    void bodiesUpdateTheirFields_data();
    void bodiesUpdateTheirFields();
    void oneFailedRequestKeepsItsLabels_data();
    void oneFailedRequestKeepsItsLabels();
    void historyGrowsByOnePerLookup_data();
    void historyGrowsByOnePerLookup();
    void otherKeysStartNothing();
    void typedNameIsNotCompleted();
    void experienceToolTipShowsPlainText();
    void combatLevelAfterLookup_data();
    void combatLevelAfterLookup();
    void combatNotArmedWithoutAttackChange();
    void officialPageInMiniBrowser_data();
    void officialPageInMiniBrowser();

private:
    void lookupByButton() { m_page->findChild<QPushButton *>(QStringLiteral("cmdView"))->click(); }
    void lookupByEnter() { QTest::keyClick(combo()->lineEdit(), Qt::Key_Return); }
    QComboBox *combo() const
    {
        return m_page->findChild<QComboBox *>(QStringLiteral("cboUsername"));
    }
    ChangeLabel *label(const char *name) const
    {
        return m_page->findChild<ChangeLabel *>(QLatin1String(name));
    }
    void answer(const QByteArray &levels, const QByteArray &experience)
    {
        m_relay->setResponse("/highscores.php", levels);
        m_relay->setResponse("/highscoresxp.php", experience);
    }

    std::unique_ptr<RecordingServer> m_relay;
    std::unique_ptr<StatLookupPage> m_page;
};

void TestStatLookup::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestStatLookup::init()
{
    m_relay = std::make_unique<RecordingServer>();
    qputenv("HOPWISE_VELMORA_SITE", m_relay->authority().toUtf8());
    m_page = std::make_unique<StatLookupPage>();
    m_page->resize(785, 177);
}

void TestStatLookup::cleanup()
{
    m_page.reset();
    Forms::resetForTesting();
    m_relay.reset();
    qunsetenv("HOPWISE_VELMORA_SITE");
    qunsetenv("HOPWISE_GAME_DOMAIN");
}

void TestStatLookup::gridCaptions()
{
    // Every caption fits its label in the face the page is laid out for, typo included.
    QStringList captions;
    for (QLabel *l : m_page->findChildren<QLabel *>()) {
        if (qobject_cast<ChangeLabel *>(l))
            continue;
        captions << l->text();
        QVERIFY2(QFontInfo(l->font()).bold(), qPrintable(l->text()));
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
                 qPrintable(l->text()));
    }
    QCOMPARE(captions.size(), 23);
    QVERIFY(captions.contains(QStringLiteral("Herbore:")));
    QVERIFY(captions.contains(QStringLiteral("Combat:")));
    for (const char *name : FieldLabels) {
        QVERIFY2(label(name), name);
        QCOMPARE(label(name)->textFormat(), Qt::PlainText);
        QVERIFY(label(name)->text().isEmpty());
        QVERIFY(label(name)->toolTip().isEmpty());
    }
    QCOMPARE(combo()->currentText(), QStringLiteral("Username Here"));
    QCOMPARE(combo()->count(), 0);
}

void TestStatLookup::requestsCarryTheEncodedName_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<bool>("typed"); // false: the box left as it starts
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("query"); // what the relay must see after "name="

    const struct
    {
        const char *tag;
        bool typed;
        QString name;
        QByteArray query;
    } names[] = {
        {"plain", true, QStringLiteral("Zezima"), "Zezima"},
        {"untouched box", false, QString(), "Username%20Here"},
        {"space", true, QStringLiteral("Iron Man"), "Iron%20Man"},
        {"ampersand adds no parameter", true, QStringLiteral("a&name=b"), "a%26name%3Db"},
        {"hash cuts nothing", true, QStringLiteral("x#y"), "x%23y"},
        {"plus is no space", true, QStringLiteral("1+1"), "1%2B1"},
        {"percent", true, QStringLiteral("100%25"), "100%2525"},
        {"line break splits no request", true, QStringLiteral("a\r\nHost: evil"),
         "a%0D%0AHost%3A%20evil"},
        {"non-ASCII as UTF-8", true, QStringLiteral("J\u00f6rg"), "J%C3%B6rg"},
        {"leading and trailing blanks kept", true, QStringLiteral(" x "), "%20x%20"},
        {"empty", true, QStringLiteral(""), ""},
    };
    for (const auto &n : names) {
        QTest::addRow("button, %s", n.tag) << false << n.typed << n.name << n.query;
        QTest::addRow("enter, %s", n.tag) << true << n.typed << n.name << n.query;
    }
}

void TestStatLookup::requestsCarryTheEncodedName()
{
    QFETCH(bool, byEnter);
    QFETCH(bool, typed);
    QFETCH(QString, name);
    QFETCH(QByteArray, query);
    answer("1|2", "3|4");
    if (typed)
        combo()->setEditText(name);
    const QString sent = combo()->currentText();

    byEnter ? lookupByEnter() : lookupByButton();

    const QList<RecordingServer::Request> requests = m_relay->requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].target, "/highscores.php?name=" + query);
    QCOMPARE(requests[1].target, "/highscoresxp.php?name=" + query);
    for (const RecordingServer::Request &r : requests) {
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.host, m_relay->authority().toUtf8());
        const QUrlQuery q(QString::fromLatin1(r.target.mid(r.target.indexOf('?') + 1)));
        QCOMPARE(q.queryItems().size(), 1);
        QCOMPARE(q.queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded), sent);
    }
    QCOMPARE(combo()->count(), 1);
    QCOMPARE(combo()->itemText(0), sent);
}

void TestStatLookup::nameIsReadAgainForTheSecondRequest()
{
    // Whatever changes the box while the first answer is awaited goes into the second request.
    RecordingServer::Response slow;
    slow.body = "5";
    slow.delayMs = 50;
    m_relay->setResponse("/highscores.php", slow);
    m_relay->setResponse("/highscoresxp.php", "6");
    combo()->setEditText(QStringLiteral("First"));
    connect(m_relay.get(), &RecordingServer::requestReceived, combo(),
            [this](const RecordingServer::Request &r) {
                if (r.path() == "/highscores.php")
                    combo()->setEditText(QStringLiteral("Second"));
            });
    lookupByButton();
    QCOMPARE(m_relay->requests().size(), 2);
    QCOMPARE(m_relay->requests()[0].target, QByteArray("/highscores.php?name=First"));
    QCOMPARE(m_relay->requests()[1].target, QByteArray("/highscoresxp.php?name=Second"));
    QCOMPARE(combo()->itemText(0), QStringLiteral("Second"));
}

void TestStatLookup::bodiesUpdateTheirFields_data()
{
    QTest::addColumn<QByteArray>("levels");
    QTest::addColumn<QByteArray>("experience");
    QTest::addColumn<QStringList>("captions"); // the new caption of fields 0.., the rest keep
    QTest::addColumn<QStringList>("toolTips");

    auto fields = [](const QString &prefix, int count) {
        QStringList l;
        for (int i = 0; i < count; ++i)
            l << prefix + QString::number(i);
        return l;
    };
    auto xp = [](QStringList l) {
        for (QString &s : l)
            s += QStringLiteral(" XP");
        return l;
    };
    QTest::newRow("22 fields") << joined("L", 22) << joined("E", 22) << fields("L", 22)
                               << xp(fields("E", 22));
    QTest::newRow("25 fields") << joined("L", 25) << joined("E", 25) << fields("L", 22)
                               << xp(fields("E", 22));
    QTest::newRow("10 fields") << joined("L", 10) << joined("E", 10) << fields("L", 10)
                               << xp(fields("E", 10));
    QTest::newRow("3 fields") << QByteArray("60|70|80") << QByteArray("600|700|800")
                              << QStringList{"60", "70", "80"}
                              << QStringList{"600 XP", "700 XP", "800 XP"};
    QTest::newRow("1 field: an error page")
        << QByteArray("<h1>Not Found</h1>") << QByteArray("<b>oops</b>")
        << QStringList{"<h1>Not Found</h1>"} << QStringList{"<b>oops</b> XP"};
    QTest::newRow("empty bodies") << QByteArray() << QByteArray() << QStringList() << QStringList();
    QTest::newRow("empty fields") << QByteArray("1||3") << QByteArray("|20")
                                  << QStringList{"1", "", "3"} << QStringList{" XP", "20 XP"};
    QTest::newRow("levels 3, experience 22") << QByteArray("7|8|9") << joined("E", 22)
                                             << QStringList{"7", "8", "9"} << xp(fields("E", 22));
}

void TestStatLookup::bodiesUpdateTheirFields()
{
    QFETCH(QByteArray, levels);
    QFETCH(QByteArray, experience);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, toolTips);

    // An earlier player whose 22 fields all arrived.
    answer(joined("old", 22), joined("oldxp", 22));
    lookupByButton();
    QCOMPARE(label("lblConstruction")->text(), QStringLiteral("old21"));

    QStringList order;
    for (const char *name : FieldLabels)
        connect(label(name), &ChangeLabel::changed, this,
                [&order, name] { order << QLatin1String(name); });

    answer(levels, experience);
    lookupByButton();

    QStringList expectedOrder;
    for (int k = 0; k < 22; ++k) {
        const char *name = FieldLabels[k];
        const QString caption = k < captions.size() ? captions[k] : QStringLiteral("old%1").arg(k);
        const QString tip = k < toolTips.size() ? toolTips[k] : QStringLiteral("oldxp%1 XP").arg(k);
        QVERIFY2(label(name)->text() == caption, name);
        QVERIFY2(label(name)->toolTip() == tip, name);
        if (k < captions.size())
            expectedOrder << QLatin1String(name);
    }
    QCOMPARE(order, expectedOrder);
}

void TestStatLookup::oneFailedRequestKeepsItsLabels_data()
{
    QTest::addColumn<int>("levelsStatus");
    QTest::addColumn<int>("experienceStatus");
    QTest::newRow("levels fail") << 500 << 200;
    QTest::newRow("experience fails") << 200 << 404;
    QTest::newRow("both fail") << 503 << 503;
}

void TestStatLookup::oneFailedRequestKeepsItsLabels()
{
    QFETCH(int, levelsStatus);
    QFETCH(int, experienceStatus);
    answer(joined("old", 22), joined("oldxp", 22));
    lookupByButton();

    m_relay->clearRequests();
    m_relay->setResponse("/highscores.php", joined("new", 22), levelsStatus);
    m_relay->setResponse("/highscoresxp.php", joined("newxp", 22), experienceStatus);
    lookupByButton();

    QCOMPARE(m_relay->requests().size(), 2);
    for (int k = 0; k < 22; ++k) {
        const char *name = FieldLabels[k];
        QCOMPARE(label(name)->text(),
                 QStringLiteral("%1%2").arg(levelsStatus == 200 ? "new" : "old").arg(k));
        QCOMPARE(label(name)->toolTip(),
                 QStringLiteral("%1%2 XP").arg(experienceStatus == 200 ? "newxp" : "oldxp").arg(k));
    }
    QCOMPARE(combo()->count(), 2);
}

void TestStatLookup::historyGrowsByOnePerLookup_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("button") << false;
    QTest::newRow("enter") << true;
}

void TestStatLookup::historyGrowsByOnePerLookup()
{
    QFETCH(bool, byEnter);
    answer("1", "2");
    const QStringList names{"Bob", "Bob", "Al", "bob", "Bob"};
    for (const QString &name : names) {
        combo()->setEditText(name);
        byEnter ? lookupByEnter() : lookupByButton();
        QCOMPARE(combo()->currentText(), name);
    }
    QStringList items;
    for (int i = 0; i < combo()->count(); ++i)
        items << combo()->itemText(i);
    QCOMPARE(items, names);
    QCOMPARE(m_relay->requests().size(), 2 * names.size());

    // Choosing an item fills the box and looks nothing up.
    m_relay->clearRequests();
    combo()->setCurrentIndex(2);
    QCOMPARE(combo()->currentText(), QStringLiteral("Al"));
    QCOMPARE(m_relay->requests().size(), 0);
    QCOMPARE(combo()->count(), names.size());
}

void TestStatLookup::otherKeysStartNothing()
{
    answer("1", "2");
    QLineEdit *edit = combo()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("Zezima"));
    for (Qt::Key key :
         {Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Down, Qt::Key_Backspace})
        QTest::keyClick(edit, key);
    QCOMPARE(edit->text(), QStringLiteral("Zezima"));
    QCOMPARE(m_relay->requests().size(), 0);
    QCOMPARE(combo()->count(), 0);

    // Enter does look up, and still reaches the box, which keeps its text and adds nothing.
    lookupByEnter();
    QCOMPARE(m_relay->requests().size(), 2);
    QCOMPARE(edit->text(), QStringLiteral("Zezima"));
    QCOMPARE(combo()->count(), 1);
}

void TestStatLookup::typedNameIsNotCompleted()
{
    // The history offers names to pick, never a longer name in place of the one typed.
    answer("1", "2");
    combo()->setEditText(QStringLiteral("Zezima"));
    lookupByButton();
    m_relay->clearRequests();
    QLineEdit *edit = combo()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("zez"));
    lookupByEnter();
    QCOMPARE(m_relay->requests().size(), 2);
    QCOMPARE(m_relay->requests()[0].target, QByteArray("/highscores.php?name=zez"));
    QCOMPARE(combo()->itemText(1), QStringLiteral("zez"));
    QCOMPARE(edit->text(), QStringLiteral("zez"));
}

void TestStatLookup::experienceToolTipShowsPlainText()
{
    const QByteArray hostile = "<img src=\"http://127.0.0.1:1/x\"><b>1</b>";
    answer("5", hostile);
    lookupByButton();
    ChangeLabel *attack = label("lblAttack");
    QCOMPARE(attack->toolTip(), QString::fromLatin1(hostile) + QStringLiteral(" XP"));

    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), attack->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(attack, &help);
    QLabel *tip = nullptr;
    QTRY_VERIFY((tip = qobject_cast<QLabel *>([] {
                     for (QWidget *w : QApplication::topLevelWidgets())
                         if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
                             return w;
                     return static_cast<QWidget *>(nullptr);
                 }())));
    QTextDocument shown;
    shown.setHtml(tip->text());
    QCOMPARE(shown.toPlainText(), attack->toolTip());
}

void TestStatLookup::combatLevelAfterLookup_data()
{
    QTest::addColumn<QByteArray>("levels");
    QTest::addColumn<QString>("combat");
    QTest::newRow("all 99") << QByteArray("99|99|99|99|99|99|99") << QStringLiteral("126.225");
    // Field order: attack, strength, defence, hitpoints, ranged, prayer, magic.
    QTest::newRow("ranged and magic do not count")
        << QByteArray("1|1|1|10|99|1|99") << QStringLiteral("3.525");
    QTest::newRow("sum just below 17.565")
        << QByteArray("40|1|1|10|1|1") << QStringLiteral("17.565");
    QTest::newRow("attack -1") << QByteArray("-1|1|1|10|1|1") << QStringLiteral("2.805");
    QTest::newRow("prayer never delivered") << QByteArray("99|99|99|99|99") << QString();
    QTest::newRow("error page") << QByteArray("Service Unavailable") << QString();
}

void TestStatLookup::combatLevelAfterLookup()
{
    QFETCH(QByteArray, levels);
    QFETCH(QString, combat);
    auto *timer = m_page->findChild<QTimer *>(QStringLiteral("tmrCombat"));
    auto *lblCombat = label("lblCombat");
    QVERIFY(timer && lblCombat);
    QCOMPARE(timer->interval(), 10);
    QVERIFY(!timer->isActive());
    lblCombat->setCaption(QStringLiteral("stale"));
    QSignalSpy ticks(timer, &QTimer::timeout);

    answer(levels, "");
    lookupByButton();
    // The lookup has returned: the tick is still to come and will see every caption.
    QVERIFY(timer->isActive());
    QCOMPARE(lblCombat->text(), QStringLiteral("stale"));

    QTRY_VERIFY(!timer->isActive());
    QCOMPARE(ticks.size(), 1);
    QCOMPARE(lblCombat->text(), combat);
}

void TestStatLookup::combatNotArmedWithoutAttackChange()
{
    auto *timer = m_page->findChild<QTimer *>(QStringLiteral("tmrCombat"));
    answer("99|99|99|99|99|99", "");
    lookupByButton();
    QTRY_COMPARE(label("lblCombat")->text(), QStringLiteral("126.225"));

    // Levels request failing, then a lookup leaving Attack as it was: no new computation.
    QSignalSpy ticks(timer, &QTimer::timeout);
    m_relay->setResponse("/highscores.php", "1|1|1|1|1|1", 500);
    lookupByButton();
    QVERIFY(!timer->isActive());
    answer("99|1|1|1|1|1", "");
    lookupByButton();
    QVERIFY(!timer->isActive());
    QCOMPARE(ticks.size(), 0);
    QCOMPARE(label("lblCombat")->text(), QStringLiteral("126.225"));
    QCOMPARE(label("lblStrength")->text(), QStringLiteral("1"));
}

void TestStatLookup::officialPageInMiniBrowser_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("query");
    QTest::newRow("plain") << QStringLiteral("Zezima") << QByteArray("Zezima");
    QTest::newRow("space, ampersand, hash")
        << QStringLiteral("a b&user2=c#d") << QByteArray("a%20b%26user2%3Dc%23d");
    QTest::newRow("percent and plus") << QStringLiteral("100%+1") << QByteArray("100%25%2B1");
}

void TestStatLookup::officialPageInMiniBrowser()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, query);
    RecordingServer publisher;
    publisher.setFallback({200, "<title>hiscores</title>", "text/html", 0, false});
    qputenv("HOPWISE_GAME_DOMAIN", QStringLiteral("localhost:%1").arg(publisher.port()).toUtf8());
    answer("1", "1");
    combo()->setEditText(name);

    QVERIFY(!Forms::browser());
    m_page->findChild<QPushButton *>(QStringLiteral("cmdRealHS"))->click();
    QVERIFY(Forms::browser());
    QVERIFY(Forms::browser()->isVisible());

    const QByteArray target = "/lang/en/aff/runescape/hiscorepersonal.ws?user1=" + query;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const RecordingServer::Request &r : publisher.requests())
                if (r.target == target)
                    return r.host ==
                           QStringLiteral("hiscore.localhost:%1").arg(publisher.port()).toUtf8();
            return false;
        }(),
        15000);
    // No lookup, no history.
    QCOMPARE(m_relay->requests().size(), 0);
    QCOMPARE(combo()->count(), 0);

    // A second click reuses the open window.
    FrmBrowser *first = Forms::browser();
    m_page->findChild<QPushButton *>(QStringLiteral("cmdRealHS"))->click();
    QCOMPARE(Forms::browser(), first);
}

HOPWISE_TEST_MAIN(TestStatLookup)
#include "tst_statlookup.moc"
