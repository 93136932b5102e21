#include "shell/versioncheck.h"

#include <QTest>

// The version file comes from a server: whatever it holds, only a greater version prompts.
class TstStartupVersion : public QObject
{
    Q_OBJECT
private slots:
    void isNewer_data();
    void isNewer();
    void parse_data();
    void parse();
};

void TstStartupVersion::isNewer_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("newer");
    const bool yes = true;
    const bool no = false;
    QTest::newRow("same version") << "1.0.2" << no;
    QTest::newRow("same version with a line break") << "1.0.2\n" << no;
    QTest::newRow("same version in blanks and CRLF") << " \t1.0.2 \r\n" << no;
    QTest::newRow("two-digit revision is newer") << "1.0.10" << yes;
    QTest::newRow("next revision") << "1.0.3" << yes;
    QTest::newRow("minor only") << "1.1" << yes;
    QTest::newRow("major only") << "2" << yes;
    QTest::newRow("leading zeros read as numbers") << "1.0.010" << yes;
    QTest::newRow("older in every part") << "0.9.9" << no;
    QTest::newRow("older revision") << "1.0.1" << no;
    QTest::newRow("missing revision counts as 0") << "1.0" << no;
    QTest::newRow("empty body") << "" << no;
    QTest::newRow("white space only") << " \n" << no;
    QTest::newRow("html page") << "<html><body>Not Found</body></html>" << no;
    QTest::newRow("html page with a version in it") << "<p>9.9.9</p>" << no;
    QTest::newRow("four parts") << "1.0.3.1" << no;
    QTest::newRow("empty part") << "1..3" << no;
    QTest::newRow("trailing dot") << "1.1." << no;
    QTest::newRow("letter in a part") << "1.0.3a" << no;
    QTest::newRow("prefixed v") << "v1.0.3" << no;
    QTest::newRow("signed") << "+2.0.0" << no;
    QTest::newRow("text after the version") << "1.0.3 beta" << no;
    QTest::newRow("two lines") << "1.0.3\n1.0.4" << no;
    QTest::newRow("too many digits") << "1.0.12345678901" << no;
    QTest::newRow("other script's digits") << QString::fromUtf8("\u0661.\u0661") << no;
}

void TstStartupVersion::isNewer()
{
    QFETCH(QString, body);
    QFETCH(bool, newer);
    QCOMPARE(VersionCheck::isNewer(body, QStringLiteral("1.0.2")), newer);
}

void TstStartupVersion::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::newRow("three parts") << "1.0.2" << 1 << 0 << 2;
    QTest::newRow("two parts") << "3.4" << 3 << 4 << 0;
    QTest::newRow("one part") << "7" << 7 << 0 << 0;
    QTest::newRow("largest part") << "999999999.0.1" << 999999999 << 0 << 1;
}

void TstStartupVersion::parse()
{
    QFETCH(QString, text);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    const std::optional<VersionCheck::Version> v = VersionCheck::parse(text);
    QVERIFY(v);
    QCOMPARE(v->major, major);
    QCOMPARE(v->minor, minor);
    QCOMPARE(v->revision, revision);
}

QTEST_APPLESS_MAIN(TstStartupVersion)
#include "tst_startup_version.moc"
