#include "worlds/worldcatalogue.h"
#include "worlds/worldclock.h"

#include <QSet>
#include <QTest>

// The catalogue and the clock arithmetic, without a window.
class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void pagesHoldTheirWorldsInGridOrder_data();
    void pagesHoldTheirWorldsInGridOrder();
    void everyEntryIsConsistent();

    void tickCarriesOncePerTick_data();
    void tickCarriesOncePerTick();
};

void TestCatalogue::pagesHoldTheirWorldsInGridOrder_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("worlds");
    QTest::newRow("Free") << 0 << "Free"
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

void TestCatalogue::pagesHoldTheirWorldsInGridOrder()
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
        expected << cell(index, tab, column, row, column == 1 ? 120 : 1440, 600 + 240 * (row - 1));
    }
    for (const WorldEntry &e : WorldCatalogue::page(tab))
        shown << cell(e.index, e.tab, e.column, e.row, e.leftTwips(), e.topTwips());
    QCOMPARE(shown, expected);
}

void TestCatalogue::everyEntryIsConsistent()
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
        QVERIFY2(WorldCatalogue::isHostLabel(label) && !labels.contains(label), qPrintable(label));
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

void TestCatalogue::tickCarriesOncePerTick_data()
{
    QTest::addColumn<int>("fromZero");  // ticks counted from 0:0:0:0
    QTest::addColumn<int>("days");      // then added to the days
    QTest::addColumn<QString>("ticks"); // what the counters show then, and after each further tick
    QTest::newRow("minute") << 59 << 0 << "0:0:0:59 0:0:1:0 0:0:1:1";
    QTest::newRow("hour") << 3599 << 0 << "0:0:59:59 0:0:60:0 0:1:0:1 0:1:0:2";
    QTest::newRow("day") << 86399 << 0 << "0:23:59:59 0:23:60:0 0:24:0:1 1:0:0:2";
    QTest::newRow("days grow without limit")
        << 86399 << 999 << "999:23:59:59 999:23:60:0 999:24:0:1 1000:0:0:2";
}

void TestCatalogue::tickCarriesOncePerTick()
{
    QFETCH(int, fromZero);
    QFETCH(int, days);
    QFETCH(QString, ticks);
    ClockCounters c;
    for (int i = 0; i < fromZero; ++i)
        c = WorldClock::tick(c);
    c.days += days;
    for (const QString &expected : ticks.split(QLatin1Char(' '))) {
        QCOMPARE(QString::asprintf("%lld:%lld:%lld:%lld", c.days, c.hours, c.minutes, c.seconds),
                 expected);
        c = WorldClock::tick(c);
    }
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
