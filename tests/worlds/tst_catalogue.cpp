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
    void hostLabelForm();

    void tickCarriesOncePerTick_data();
    void tickCarriesOncePerTick();
    void countingFromZeroAroundOneDay();
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
    const QStringList indices = worlds.split(QLatin1Char(' '));
    const QVector<WorldEntry> page = WorldCatalogue::page(tab);
    QCOMPARE(page.size(), indices.size());
    for (int i = 0; i < page.size(); ++i) {
        const WorldEntry &e = page[i];
        QCOMPARE(int(e.index), indices[i].toInt());
        QCOMPARE(e.tab, tab);
        int column = i % 2 + 1;
        int row = i / 2 + 1;
        // World 132 closes the Members grid alone in column 2 of row 31; PC sits at row 36.
        if (e.index == 132) {
            column = 2;
            row = 31;
        } else if (e.index == WorldCatalogue::PcIndex) {
            column = 1;
            row = 36;
        }
        QVERIFY2(e.column == column && e.row == row,
                 qPrintable(QStringLiteral("world %1 at column %2 row %3")
                                .arg(e.index)
                                .arg(e.column)
                                .arg(e.row)));
        QCOMPARE(e.leftTwips(), column == 1 ? 120 : 1440);
        QCOMPARE(e.topTwips(), 600 + 240 * (row - 1));
    }
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
}

void TestCatalogue::hostLabelForm()
{
    for (const char *valid : {"uk1", "abcdef9", "abcde12"})
        QVERIFY2(WorldCatalogue::isHostLabel(QLatin1String(valid)), valid);
    for (const char *invalid :
         {"abcdef12", "uk13", "uk01", "uk0", "u1", "UK1", "uk1\n", "uk1.evil", "pest3 uk1", ""})
        QVERIFY2(!WorldCatalogue::isHostLabel(QLatin1String(invalid)), invalid);
}

namespace {

QString shown(const ClockCounters &c)
{
    return QStringLiteral("%1:%2:%3:%4").arg(c.days).arg(c.hours).arg(c.minutes).arg(c.seconds);
}

} // namespace

void TestCatalogue::tickCarriesOncePerTick_data()
{
    QTest::addColumn<QString>("ticks"); // the counters, then what each further tick shows
    QTest::newRow("minute") << "0:0:0:59 0:0:1:0 0:0:1:1";
    QTest::newRow("hour") << "0:0:59:59 0:0:60:0 0:1:0:1 0:1:0:2";
    QTest::newRow("day") << "0:23:59:59 0:23:60:0 0:24:0:1 1:0:0:2";
    QTest::newRow("days grow without limit") << "999:23:59:59 999:23:60:0 999:24:0:1 1000:0:0:2";
}

void TestCatalogue::tickCarriesOncePerTick()
{
    QFETCH(QString, ticks);
    const QStringList steps = ticks.split(QLatin1Char(' '));
    const QStringList start = steps.first().split(QLatin1Char(':'));
    ClockCounters c{start[0].toLongLong(), start[1].toLongLong(), start[2].toLongLong(),
                    start[3].toLongLong()};
    for (const QString &expected : steps.mid(1)) {
        c = WorldClock::tick(c);
        QCOMPARE(shown(c), expected);
    }
}

void TestCatalogue::countingFromZeroAroundOneDay()
{
    ClockCounters c;
    for (int i = 0; i < 86399; ++i)
        c = WorldClock::tick(c);
    // From here the "day" row of the table above goes on: a tick reads only the counters.
    QCOMPARE(shown(c), QStringLiteral("0:23:59:59"));
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
