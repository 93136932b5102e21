// Relay bodies, player names and the combat level: what goes to the relay, the text it sends
// back, and what the page makes of it.
#include "stats/combatlevel.h"
#include "stats/playername.h"
#include "stats/relaybody.h"

#include <QTest>

class TestStatParsers : public QObject
{
    Q_OBJECT
private slots:
    void relayFields_data();
    void relayFields();
    void encodedName_data();
    void encodedName();
    void combatLevel_data();
    void combatLevel();
};

void TestStatParsers::relayFields_data()
{
    // Bodies the page itself shows are checked against the page; these are the edges.
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("maxFields");
    QTest::addColumn<QStringList>("expected");
    auto row = [](const char *name, const QString &body, int max, const QStringList &expected) {
        QTest::newRow(name) << body << max << expected;
    };
    row("empty fields kept", "1||3|", 22, {"1", "", "3", ""});
    row("text kept as sent", " 99 |1,234\r\n", 22, {" 99 ", "1,234\r\n"});
    row("a megabyte of bars", QString(1024 * 1024, '|'), 22, QStringList(22, ""));
    row("NUL and surrogate halves", QString::fromUtf16(u"\0|\xD800|\xDC00", 5), 22,
        {QString(QChar(0)), QString(QChar(0xD800)), QString(QChar(0xDC00))});
}

void TestStatParsers::relayFields()
{
    QFETCH(QString, body);
    QFETCH(int, maxFields);
    QFETCH(QStringList, expected);
    QCOMPARE(RelayBody::fields(body, maxFields), expected);
}

void TestStatParsers::encodedName_data()
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

void TestStatParsers::encodedName()
{
    QFETCH(QString, name);
    QFETCH(QString, encoded);
    QCOMPARE(PlayerName::encoded(name), encoded);
}

void TestStatParsers::combatLevel_data()
{
    // Captions: attack|strength|defence|hitpoints|prayer. An empty result: lblCombat stays empty.
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

void TestStatParsers::combatLevel()
{
    QFETCH(QString, captions);
    QFETCH(QString, expected);
    QFETCH(QString, locale);
    const QStringList c = captions.split(QLatin1Char('|'));
    const auto text = CombatLevel::text({c[0], c[1], c[2], c[3], c[4]}, QLocale(locale));
    QCOMPARE(text.value_or(QString()), expected);
    QCOMPARE(text.has_value(), !expected.isEmpty());
}

QTEST_GUILESS_MAIN(TestStatParsers)
#include "tst_statparsers.moc"
