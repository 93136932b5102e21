// The pages' arithmetic and parsing, without a window and under the sanitizers: the world
// catalogue and the clock, relay bodies, player names and the combat level (what goes to the
// relay, the text it sends back, and what the page makes of it), and the mini browser's size at
// its edges (tst_web checks its ordinary sizes on the window).
#include "stats/combatlevel.h"
#include "stats/playername.h"
#include "stats/relaybody.h"
#include "web/browserextent.h"
#include "worlds/worldcatalogue.h"
#include "worlds/worldclock.h"

#include <QSet>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

class TestPageLogic : public QObject
{
    Q_OBJECT
private slots:
    void pagesHoldTheirWorldsInGridOrder_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("worlds");
        QTest::newRow("Free")
            << 0 << "Free"
            << "1 3 4 5 7 8 10 11 13 14 15 16 17 19 20 21 25 29 30 32 33 34 35 37 38 "
               "39 40 43 45 47 49 50 51 52 55 57 61 62 63 67 68 72 73 74 75 80 81 85 "
               "86 87 90 93 94 95 96 101 102 106";
        QTest::newRow("Free Con") << 1 << "Free Con"
                                  << "105 107 108 109 113 117 118 119 122 125 127 128";
        QTest::newRow("Members")
            << 2 << "Members"
            << "2 6 9 12 18 22 23 24 26 27 28 31 36 41 42 44 46 48 53 54 56 58 59 "
               "60 64 65 66 69 70 71 76 77 78 79 82 83 84 88 89 91 92 97 98 99 100 "
               "103 104 110 111 112 114 115 116 120 121 123 124 129 130 131 132 3000";
    }

    void pagesHoldTheirWorldsInGridOrder()
    {
        QFETCH(int, tab);
        QFETCH(QString, caption);
        QFETCH(QString, worlds);
        QCOMPARE(WorldCatalogue::pageCaption(tab), caption);
        auto cell = [](int index, int page, int column, int row, int left, int top) {
            return QString::asprintf("world %d on page %d at column %d row %d, twips %d,%d", index,
                                     page, column, row, left, top);
        };
        // Two to a row in the order given; world 132 closes the Members grid alone in column 2 of
        // row 31, and PC sits at row 36.
        QStringList expected, shown;
        const QStringList indices = worlds.split(QLatin1Char(' '));
        for (int i = 0; i < indices.size(); ++i) {
            const int index = indices[i].toInt();
            const bool pc = index == WorldCatalogue::PcIndex;
            const int column = index == 132 ? 2 : pc ? 1 : i % 2 + 1;
            const int row = index == 132 ? 31 : pc ? 36 : i / 2 + 1;
            expected << cell(index, tab, column, row, column == 1 ? 120 : 1440,
                             600 + 240 * (row - 1));
        }
        for (const WorldEntry &e : WorldCatalogue::page(tab))
            shown << cell(e.index, e.tab, e.column, e.row, e.leftTwips(), e.topTwips());
        QCOMPARE(shown, expected);
    }

    void everyEntryIsConsistent()
    {
        QSet<int> indices;
        QSet<QString> labels;
        for (const WorldEntry &e : WorldCatalogue::entries()) {
            QVERIFY2(!indices.contains(e.index), "duplicate index");
            indices.insert(e.index);
            // Free pages hold exactly the Non-Members worlds.
            QCOMPARE(e.membership == Membership::Members, e.tab == 2);
            if (e.isPc())
                continue;
            const QString label = QString::fromLatin1(e.hostLabel);
            QVERIFY2(WorldCatalogue::isHostLabel(label) && !labels.contains(label),
                     qPrintable(label));
            labels.insert(label);
            QCOMPARE(e.buttonCaption(), QStringLiteral("World %1").arg(e.index));
        }
        QCOMPARE(labels.size(), 131);
        for (int i = 1; i <= 132; ++i)
            QCOMPARE(bool(WorldCatalogue::lookup(i)), i != 126);
        QCOMPARE(WorldCatalogue::lookup(1)->titleText(), QStringLiteral("World 1 - Non-Members"));
        QCOMPARE(WorldCatalogue::lookup(2)->titleText(), QStringLiteral("World 2 - Members"));
        const WorldEntry pc = *WorldCatalogue::lookup(WorldCatalogue::PcIndex);
        QCOMPARE(pc.buttonCaption(), QStringLiteral("PC"));
        QCOMPARE(pc.titleText(), QStringLiteral("Pest Control - Members"));

        // The label's form, at its edges.
        for (const char *valid : {"uk1", "abcdef9", "abcde12"})
            QVERIFY2(WorldCatalogue::isHostLabel(QLatin1String(valid)), valid);
        for (const char *invalid :
             {"abcdef12", "uk13", "uk01", "uk0", "u1", "UK1", "uk1\n", "uk1.evil", "pest3 uk1", ""})
            QVERIFY2(!WorldCatalogue::isHostLabel(QLatin1String(invalid)), invalid);
    }

    void tickCarriesOncePerTick_data()
    {
        QTest::addColumn<int>("fromZero"); // ticks counted from 0:0:0:0
        QTest::addColumn<int>("days");     // then added to the days
        QTest::addColumn<QString>(
            "ticks"); // what the counters show then, and after each further tick
        QTest::newRow("minute") << 59 << 0 << "0:0:0:59 0:0:1:0 0:0:1:1";
        QTest::newRow("hour") << 3599 << 0 << "0:0:59:59 0:0:60:0 0:1:0:1 0:1:0:2";
        QTest::newRow("day") << 86399 << 0 << "0:23:59:59 0:23:60:0 0:24:0:1 1:0:0:2";
        QTest::newRow("days grow without limit")
            << 86399 << 999 << "999:23:59:59 999:23:60:0 999:24:0:1 1000:0:0:2";
    }

    void tickCarriesOncePerTick()
    {
        QFETCH(int, fromZero);
        QFETCH(int, days);
        QFETCH(QString, ticks);
        ClockCounters c;
        for (int i = 0; i < fromZero; ++i)
            c = WorldClock::tick(c);
        c.days += days;
        for (const QString &expected : ticks.split(QLatin1Char(' '))) {
            QCOMPARE(
                QString::asprintf("%lld:%lld:%lld:%lld", c.days, c.hours, c.minutes, c.seconds),
                expected);
            c = WorldClock::tick(c);
        }
    }

    void relayFields_data()
    {
        // Bodies the page itself shows are checked against the page; these are the edges.
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char *name, const QString &body, const QStringList &expected) {
            QTest::newRow(name) << body << expected;
        };
        row("empty fields kept", "1||3|", {"1", "", "3", ""});
        row("text kept as sent", " 99 |1,234\r\n", {" 99 ", "1,234\r\n"});
        row("a megabyte of bars", QString(1024 * 1024, '|'), QStringList(22, ""));
        row("NUL and surrogate halves", QString::fromUtf16(u"\0|\xD800|\xDC00", 5),
            {QString(QChar(0)), QString(QChar(0xD800)), QString(QChar(0xDC00))});
    }

    void relayFields()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, expected);
        QCOMPARE(RelayBody::fields(body), expected);
    }

    void encodedName_data()
    {
        // What the request line carries is checked against the page; these are the characters.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("encoded");
        auto row = [](const char *tag, const QString &name, const char *encoded) {
            QTest::newRow(tag) << name << QString::fromLatin1(encoded);
        };
        row("unreserved kept", QStringLiteral("Az09-._~"), "Az09-._~");
        row("ampersand adds no parameter", QStringLiteral("a&name=b"), "a%26name%3Db");
        row("hash cuts nothing", QStringLiteral("x#y"), "x%23y");
        row("plus, percent", QStringLiteral("1+1%25"), "1%2B1%2525");
        row("slash, question mark", QStringLiteral("a/b?c"), "a%2Fb%3Fc");
        row("NUL", QString(QChar(0)), "%00");
        row("outside the BMP", QStringLiteral("\U0001F600"), "%F0%9F%98%80");
        row("empty", QString(), "");
    }

    void encodedName()
    {
        QFETCH(QString, name);
        QFETCH(QString, encoded);
        QCOMPARE(PlayerName::encoded(name), encoded);
    }

    void combatLevel_data()
    {
        // Captions: attack|strength|defence|hitpoints|prayer. An empty result: lblCombat stays
        // empty.
        QTest::addColumn<QString>("captions");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("locale");
        auto row = [](const char *name, const char *captions, const char *expected,
                      const char *locale = "en_US") {
            QTest::newRow(name) << QString(captions) << QString(expected) << QString(locale);
        };
        // The left-to-right double sum lies just below 17.565; fifteen digits show it as 17.565.
        row("all 99", "99|99|99|99|99", "126.225");
        row("sum just below 17.565", "40|1|1|10|1", "17.565");
        row("all nought: no separator", "0|0|0|0|0", "0");
        row("attack -1", "-1|1|1|10|1", "2.805");
        row("floor, also below nought", "99.9|1.2|1.99|10.5|-1.5", "38.43");
        row("no digit grouping", "10000|0|0|0|0", "3600");
        row("decimal comma where the locale has one", "99,5|99|99|99|99", "126,225", "de_DE");
        row("empty prayer", "99|99|99|99|", "");
        row("error page", "<html>Not Found</html>|1|1|10|1", "");
        row("not a number", "nan|1|1|10|1", "");
        row("sum overflows", "1.7e308|1.7e308|1.7e308|1.7e308|1.7e308", "");
    }

    void combatLevel()
    {
        QFETCH(QString, captions);
        QFETCH(QString, expected);
        QFETCH(QString, locale);
        const QStringList c = captions.split(QLatin1Char('|'));
        const auto text = CombatLevel::text({c[0], c[1], c[2], c[3], c[4]}, QLocale(locale));
        QCOMPARE(text.value_or(QString()), expected);
        QCOMPARE(text.has_value(), !expected.isEmpty());
    }

    void browserExtent_data()
    {
        using namespace BrowserExtent;
        QTest::addColumn<int>("outer");
        QTest::addColumn<float>("margin");
        QTest::addColumn<std::optional<int>>("extent");
        auto row = [](const char *tag, int outer, float margin, std::optional<int> extent) {
            QTest::newRow(tag) << outer << margin << extent;
        };
        row("exactly the margin: nothing left, still a size", 1040, HeightMargin, 0);
        row("one twip short: refused", 1039, HeightMargin, std::nullopt);
        row("no window at all", 0, WidthMargin, std::nullopt);
        row("negative outer size", -15, WidthMargin, std::nullopt);
        // Single precision: 2^24 + 1 becomes 2^24 before the margin comes off.
        row("beyond float's integers", 16777217, HeightMargin, 16776176);
        row("half rounds away from zero", 1000, 999.5f, 1);
    }

    void browserExtent()
    {
        QFETCH(int, outer);
        QFETCH(float, margin);
        QFETCH(std::optional<int>, extent);
        QCOMPARE(BrowserExtent::browserExtent(outer, margin), extent);
    }
};

QTEST_GUILESS_MAIN(TestPageLogic)
#include "tst_pagelogic.moc"
