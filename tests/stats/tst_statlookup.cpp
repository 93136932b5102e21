// The "Stat Lookup" page against a local relay that records every request.
#include "controls/twips.h"
#include "recordingserver.h"
#include "stats/statlookuppage.h"
#include "testmain.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

namespace {

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

class TestStatLookup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void gridAsDesigned();
    void requestsCarryTheEncodedName_data();
    void requestsCarryTheEncodedName();
    void bodiesUpdateTheirFields_data();
    void bodiesUpdateTheirFields();
    void historyAndKeys();
    void experienceToolTipShowsPlainText();
    void combatLevelOncePerChange();

private:
    void lookup(bool byEnter = false)
    {
        byEnter ? QTest::keyClick(combo()->lineEdit(), Qt::Key_Return)
                : m_page->findChild<QPushButton *>(QStringLiteral("cmdView"))->click();
    }
    QComboBox *combo() const { return m_page->findChild<QComboBox *>(); }
    auto *label(const QString &n) const { return m_page->findChild<QLabel *>("lbl" + n); }
    void answer(const QByteArray &levels, const QByteArray &experience, int levelsStatus = 200)
    {
        m_relay.setResponse("/highscores.php", levels, levelsStatus);
        m_relay.setResponse("/highscoresxp.php", experience);
    }

    RecordingServer m_relay;
    StatLookupPage *m_page = nullptr;
};

void TestStatLookup::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_relay.clearRequests();
    qputenv("HOPWISE_VELMORA_SITE", m_relay.authority().toUtf8());
    m_page = new StatLookupPage;
    // The helpers below use these without looking again: a missing one fails here.
    QVERIFY(combo() && combo()->lineEdit());
    QVERIFY(m_page->findChild<QPushButton *>(QStringLiteral("cmdView")));
    for (const QString &name : FieldLabels + QStringList{QStringLiteral("Combat")})
        QVERIFY2(label(name), qPrintable(name));
}

void TestStatLookup::cleanup()
{
    delete m_page;
}

void TestStatLookup::gridAsDesigned()
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
            for (QLabel *caption : m_page->findChildren<QLabel *>(QRegularExpression("^Label"))) {
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

void TestStatLookup::requestsCarryTheEncodedName_data()
{
    QTest::addColumn<QString>("name"); // null: the box left as it starts
    QTest::addColumn<QByteArray>("query");
    auto row = [](const char *tag, const QString &name, const char *query) {
        QTest::newRow(tag) << name << QByteArray(query);
    };
    row("plain", QStringLiteral("Mara"), "Mara");
    row("untouched box", QString(), "Username%20Here");
    row("space", QStringLiteral("Iron Man"), "Iron%20Man");
    row("line break splits no request", QStringLiteral("a\r\nHost: x"), "a%0D%0AHost%3A%20x");
    row("UTF-8, blanks kept", QStringLiteral(" J\u00f6rg "), "%20J%C3%B6rg%20");
}

void TestStatLookup::requestsCarryTheEncodedName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, query);
    answer("1", "2");
    if (!name.isNull())
        combo()->setEditText(name);
    lookup();

    const QList<RecordingServer::Request> requests = m_relay.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.value(0).line, "GET /highscores.php?name=" + query + " HTTP/1.1");
    QCOMPARE(requests.value(1).line, "GET /highscoresxp.php?name=" + query + " HTTP/1.1");
    QCOMPARE(requests.value(1).host, m_relay.authority().toUtf8());
}

void TestStatLookup::bodiesUpdateTheirFields_data()
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

void TestStatLookup::bodiesUpdateTheirFields()
{
    QFETCH(int, levels);
    QFETCH(int, levelsStatus);
    QFETCH(int, experience);
    QFETCH(int, levelsShown);
    answer(joined("old", 22), joined("oldxp", 22));
    lookup();
    answer(joined("L", levels), joined("E", experience), levelsStatus);
    lookup();

    for (int k = 0; k < 22; ++k) {
        QCOMPARE(label(FieldLabels[k])->text(), QString(k < levelsShown ? "L%1" : "old%1").arg(k));
        QCOMPARE(label(FieldLabels[k])->toolTip(),
                 QString(k < experience ? "E%1 XP" : "oldxp%1 XP").arg(k));
    }
}

void TestStatLookup::historyAndKeys()
{
    answer("1", "2");
    const QStringList names{"Bob", "Bob", "Al", "bob", "Bob"};
    for (int i = 0; i < names.size(); ++i) {
        combo()->setEditText(names[i]);
        lookup(i % 2);
        QCOMPARE(combo()->count(), i + 1);
        QCOMPARE(combo()->itemText(i), names[i]);
    }

    // Only Enter looks up, and a name in the history is never put in place of the one typed.
    m_relay.clearRequests();
    QLineEdit *edit = combo()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("Bo"));
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Backspace})
        QTest::keyClick(edit, key);
    QCOMPARE(m_relay.requests().size(), 0);
    lookup(true);
    QCOMPARE(m_relay.requests().value(0).target, QByteArray("/highscores.php?name=Bo"));
    QCOMPARE(edit->text(), QStringLiteral("Bo"));
}

void TestStatLookup::experienceToolTipShowsPlainText()
{
    const QByteArray hostile = "<img src=\"http://127.0.0.1:1/x\"><b>1</b>";
    answer("5", hostile);
    lookup();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), QPoint(100, 100));
    QCoreApplication::sendEvent(label("Attack"), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    QCOMPARE(shown.toPlainText(), QString::fromLatin1(hostile) + QStringLiteral(" XP"));
}

void TestStatLookup::combatLevelOncePerChange()
{
    auto *timer = m_page->findChild<QTimer *>(QStringLiteral("tmrCombat"));
    QSignalSpy ticks(timer, &QTimer::timeout);
    // Field order: attack, strength, defence, hitpoints, ranged, prayer, magic. Ranged and
    // magic do not count.
    answer("1|1|1|10|99|1|99", "");
    lookup();
    QTRY_VERIFY(!timer->isActive());
    QCOMPARE(ticks.size(), 1);
    QCOMPARE(label("Combat")->text(), QStringLiteral("3.525"));

    // The next player has the same Attack: the level still follows the new stats.
    answer("1|1|1|99|1|1|1", "");
    lookup();
    QTRY_COMPARE(ticks.size(), 2);
    QCOMPARE(label("Combat")->text(), QStringLiteral("25.775"));

    // A failed levels request writes no caption, so nothing is computed.
    answer("", "", 500);
    lookup();
    QVERIFY(!timer->isActive());

    // A caption that is no number leaves the level empty.
    answer("abc|1|1|1|1|1", "");
    lookup();
    QTRY_VERIFY(!timer->isActive());
    QCOMPARE(ticks.size(), 3);
    QCOMPARE(label("Combat")->text(), QString());
}

HOPWISE_TEST_MAIN(TestStatLookup)
#include "tst_statlookup.moc"
