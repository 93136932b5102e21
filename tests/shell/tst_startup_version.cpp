#include "core/versioncheck.h"

#include <QTest>

// The version file comes from a server: whatever it holds, only a greater version prompts. The
// ordinary answers go through the whole start-up in tst_shell.
class TstStartupVersion : public QObject
{
    Q_OBJECT
private slots:
    void isNewer_data();
    void isNewer();
};

void TstStartupVersion::isNewer_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("newer");
    QTest::newRow("same version in blanks and CRLF") << " \t1.0.2 \r\n" << false;
    QTest::newRow("newer version, CRLF") << "1.0.3\r\n" << true;
    QTest::newRow("newer minor only, CRLF") << "1.1\r\n" << true;
    QTest::newRow("older minor, greater revision") << "0.9.9" << false;
    QTest::newRow("empty body") << "" << false;
    QTest::newRow("html page with a version in it") << "<p>9.9.9</p>" << false;
    QTest::newRow("letter in a part") << "1.0.3a" << false;
    QTest::newRow("too many digits") << "1.0.12345678901" << false;
    QTest::newRow("other script's digits") << QString::fromUtf8("\u0661.\u0661") << false;
}

void TstStartupVersion::isNewer()
{
    QFETCH(QString, body);
    QFETCH(bool, newer);
    QCOMPARE(VersionCheck::isNewer(body, QStringLiteral("1.0.2")), newer);
}

QTEST_APPLESS_MAIN(TstStartupVersion)
#include "tst_startup_version.moc"
