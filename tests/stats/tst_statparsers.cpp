// Relay bodies and the combat level: the text the relay sends, and what the page makes of it.
#include "stats/combatlevel.h"
#include "stats/relaybody.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

class TestStatParsers : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void relayFields_data();
    void relayFields();
    void relayFieldsStopAtTheLimit();
    void relayHostileBodies_data();
    void relayHostileBodies();

    void combatLevel_data();
    void combatLevel();
    void combatSumIsLeftToRight();
    void combatFollowsTheLocale();
};

void TestStatParsers::relayFields_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("expected");

    QStringList twentyTwo;
    for (int i = 0; i < 22; ++i)
        twentyTwo << QString::number(i + 1);
    QTest::newRow("22 fields") << twentyTwo.join(QLatin1Char('|')) << twentyTwo;
    QTest::newRow("25 fields: the last three never read")
        << (twentyTwo + QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")})
               .join(QLatin1Char('|'))
        << twentyTwo;
    QTest::newRow("three fields") << QStringLiteral("60|70|80")
                                  << QStringList{QStringLiteral("60"), QStringLiteral("70"),
                                                 QStringLiteral("80")};
    QTest::newRow("no bar: one field") << QStringLiteral("<html>Not Found</html>")
                                       << QStringList{QStringLiteral("<html>Not Found</html>")};
    QTest::newRow("empty body: no field") << QString() << QStringList();
    QTest::newRow("two bars in a row: empty field")
        << QStringLiteral("1||3")
        << QStringList{QStringLiteral("1"), QString(), QStringLiteral("3")};
    QTest::newRow("trailing bar: empty last field")
        << QStringLiteral("5|") << QStringList{QStringLiteral("5"), QString()};
    QTest::newRow("a lone bar: two empty fields")
        << QStringLiteral("|") << QStringList{QString(), QString()};
    QTest::newRow("text kept as sent")
        << QStringLiteral(" 99 |1,234\r\n|-1")
        << QStringList{QStringLiteral(" 99 "), QStringLiteral("1,234\r\n"), QStringLiteral("-1")};
}

void TestStatParsers::relayFields()
{
    QFETCH(QString, body);
    QFETCH(QStringList, expected);
    QCOMPARE(RelayBody::fields(body), expected);
}

void TestStatParsers::relayFieldsStopAtTheLimit()
{
    QCOMPARE(RelayBody::fields(QStringLiteral("a|b|c"), 2),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(RelayBody::fields(QStringLiteral("a|b"), 2),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(RelayBody::fields(QStringLiteral("a|b"), 0), QStringList());
}

void TestStatParsers::relayHostileBodies_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("fieldCount");
    QTest::newRow("a megabyte of bars") << QString(1024 * 1024, QLatin1Char('|')) << 22;
    QTest::newRow("a megabyte without a bar") << QString(1024 * 1024, QLatin1Char('9')) << 1;
    QTest::newRow("NUL and surrogate halves")
        << QString::fromUtf16(u"\0|\xD800|\xDC00|\xFFFF", 7) << 4;
}

void TestStatParsers::relayHostileBodies()
{
    QFETCH(QString, body);
    QFETCH(int, fieldCount);
    const QStringList fields = RelayBody::fields(body);
    QCOMPARE(fields.size(), fieldCount);
    qsizetype total = 0;
    for (const QString &f : fields)
        total += f.size() + 1;
    QVERIFY(total - 1 <= body.size());
}

void TestStatParsers::combatLevel_data()
{
    QTest::addColumn<QStringList>("captions"); // attack, strength, defence, hitpoints, prayer
    QTest::addColumn<QString>("expected");     // empty: lblCombat stays empty
    QTest::addColumn<bool>("shown");

    auto row = [](const char *name, QStringList captions, const QString &expected, bool shown) {
        QTest::newRow(name) << captions << expected << shown;
    };
    const QString n99 = QStringLiteral("99");
    row("all 99", {n99, n99, n99, n99, n99}, QStringLiteral("126.225"), true);
    row("fresh player", {"1", "1", "1", "10", "1"}, QStringLiteral("3.525"), true);
    // The double sum lies just below 17.565; fifteen digits show it as 17.565.
    row("sum just below 17.565", {"40", "1", "1", "10", "1"}, QStringLiteral("17.565"), true);
    row("all nought: no separator", {"0", "0", "0", "0", "0"}, QStringLiteral("0"), true);
    row("negative nought", {"-0", "-0", "-0", "-0", "-0"}, QStringLiteral("0"), true);
    row("attack -1", {"-1", "1", "1", "10", "1"}, QStringLiteral("2.805"), true);
    row("floor of fractions", {"99.9", "1.2", "1.99", "10.5", "1.01"}, QStringLiteral("38.805"),
        true);
    row("floor goes down for negatives", {"-1.5", "1", "1", "10", "1"}, QStringLiteral("2.445"),
        true);
    row("whole result", {"0", "0", "4", "4", "0"}, QStringLiteral("2"), true);
    row("no digit grouping", {"10000", "0", "0", "0", "0"}, QStringLiteral("3600"), true);
    row("grouped input read by the locale", {"1,000", "0", "0", "0", "0"}, QStringLiteral("360"),
        true);
    row("surrounding blanks", {" 99", "99 ", "99", "99", "99"}, QStringLiteral("126.225"), true);
    row("empty prayer", {"99", "99", "99", "99", ""}, QString(), false);
    row("empty attack", {"", "99", "99", "99", "99"}, QString(), false);
    row("error page in attack", {"<html>Not Found</html>", "1", "1", "10", "1"}, QString(), false);
    row("comma decimal in en-US is grouping", {"1,5", "1", "1", "10", "1"}, QString(), false);
    row("infinity", {"inf", "1", "1", "10", "1"}, QString(), false);
    row("not a number", {"nan", "1", "1", "10", "1"}, QString(), false);
    row("too large for a double", {"1e999", "1", "1", "10", "1"}, QString(), false);
    row("sum overflows", {"1.7e308", "1.7e308", "1.7e308", "1.7e308", "1.7e308"}, QString(), false);
}

void TestStatParsers::combatLevel()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, expected);
    QFETCH(bool, shown);
    CombatLevel::Captions c;
    c.attack = captions[0];
    c.strength = captions[1];
    c.defence = captions[2];
    c.hitpoints = captions[3];
    c.prayer = captions[4];
    const std::optional<QString> text = CombatLevel::text(c, QLocale());
    QCOMPARE(text.has_value(), shown);
    if (shown)
        QCOMPARE(*text, expected);
}

void TestStatParsers::combatSumIsLeftToRight()
{
    // 40*0.36 + 0.29 + 0.25 + 2.5 + 0.125 in this order lands one step below 17.565.
    const double s = CombatLevel::sum(40, 1, 1, 10, 1);
    double expected = 40 * 0.36;
    expected += 1 * 0.29;
    expected += 1.0 / 4;
    expected += 10.0 / 4;
    expected += 1.0 / 8;
    QCOMPARE(s, expected);
    QVERIFY(s < 17.565);
    QCOMPARE(QByteArray::number(s, 'g', 17), QByteArray("17.564999999999998"));
}

void TestStatParsers::combatFollowsTheLocale()
{
    CombatLevel::Captions c{QStringLiteral("99"), QStringLiteral("99"), QStringLiteral("99"),
                            QStringLiteral("99"), QStringLiteral("99")};
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(CombatLevel::text(c, german).value_or(QStringLiteral("none")),
             QStringLiteral("126,225"));
    c.attack = QStringLiteral("99,5"); // a decimal comma where the user writes one
    QCOMPARE(CombatLevel::text(c, german).value_or(QStringLiteral("none")),
             QStringLiteral("126,225"));
}

QTEST_GUILESS_MAIN(TestStatParsers)
#include "tst_statparsers.moc"
