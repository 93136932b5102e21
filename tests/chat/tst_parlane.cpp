#include "fakeircserver.h"
#include "ngircdserver.h"
#include "rawircclient.h"
#include "testmain.h"

#include "chat/parlane.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A Parlane registered with the fake server as nick.
bool connectToFake(Parlane &p, FakeIrcServer &server, const QByteArray &nick)
{
    const int before = server.connectionCount();
    p.setNick(QString::fromLatin1(nick));
    p.setServer(server.address());
    QSignalSpy connected(&p, &Parlane::Connected);
    p.Connect();
    if (!server.waitForConnection(before + 1) || !server.waitForLine("NICK " + nick))
        return false;
    server.welcome(nick);
    return connected.wait(5000) || connected.count() == 1;
}

} // namespace

class TestParlane : public QObject
{
    Q_OBJECT
private slots:
    void registersAndReportsConnectedOnWelcomeOnly();
    void answersPingAtOnce();
    void answersRealServerPings();
    void findsAnotherNick_data();
    void findsAnotherNick();
    void neverSendsBreaks_data();
    void neverSendsBreaks();
    void reportsMessages_data();
    void reportsMessages();
    void reportsOwnKickOnly_data();
    void reportsOwnKickOnly();
    void secondConnectClosesTheFirst();
    void survivesHostileServer();
    void survivesLostAndFailedConnections();
};

void TestParlane::registersAndReportsConnectedOnWelcomeOnly()
{
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    p.setNick(QStringLiteral("Bob"));
    p.setServer(server.address());
    QSignalSpy connected(&p, &Parlane::Connected);
    p.Connect();
    QVERIFY(server.waitForLine("USER bob 0 * :HopWise"));
    QCOMPARE(server.lines().first(), QByteArray("NICK Bob"));

    server.write(":fake.server NOTICE * :*** Looking up your hostname\r\n"
                 ":fake.server 451 * :Register first\r\n");
    QTRY_VERIFY(p.state() == QAbstractSocket::ConnectedState);
    QSignalSpy lines(&p, &Parlane::LineReceived);
    QVERIFY(lines.wait());
    QTRY_COMPARE(lines.count(), 2);
    QCOMPARE(connected.count(), 0);

    server.welcome("Bob");
    QVERIFY(connected.wait());
    // A second welcome (a confused server) is not a second connection.
    server.welcome("Bob");
    QVERIFY(lines.wait());
    QCOMPARE(connected.count(), 1);
    QVERIFY(p.isRegistered());
    QCOMPARE(p.currentNick(), QStringLiteral("Bob"));
}

void TestParlane::answersPingAtOnce()
{
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    p.setNick(QStringLiteral("bob"));
    p.setServer(server.address());
    p.Connect();
    QVERIFY(server.waitForLine("NICK bob"));
    // Some servers ask before the welcome.
    server.write("PING :early bird\r\n");
    QVERIFY(server.waitForLine("PONG :early bird"));
    server.welcome("bob");
    server.write(":fake.server PING :12345\r\nPING\r\n");
    QVERIFY(server.waitForLine("PONG :12345"));
    QVERIFY(server.waitForLine("PONG"));
}

void TestParlane::answersRealServerPings()
{
    // The server asks after 5 s of silence and drops us 5 s after an unanswered ask; a second
    // ask proves the first was answered.
    NgircdServer server;
    NgircdServer::Options options;
    options.pingTimeout = 5;
    options.pongTimeout = 5;
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    Parlane p;
    p.setNick(QStringLiteral("quiet"));
    p.setServer(server.address());
    QSignalSpy connected(&p, &Parlane::Connected);
    QSignalSpy lines(&p, &Parlane::LineReceived);
    QSignalSpy gone(&p, &Parlane::Disconnected);
    p.Connect();
    QVERIFY(connected.wait());
    auto pings = [&lines] {
        int n = 0;
        for (const QList<QVariant> &args : lines)
            n += args.at(0).toString().startsWith(QLatin1String("PING")) ? 1 : 0;
        return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(pings() >= 2, 20000);
    QCOMPARE(gone.count(), 0);
    QCOMPARE(p.state(), QAbstractSocket::ConnectedState);
}

void TestParlane::findsAnotherNick_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("expectedStart");
    QTest::newRow("taken") << "bob"
                           << "bob_";
    QTest::newRow("empty") << ""
                           << "Guest";
    QTest::newRow("invalid") << "9lives"
                             << "Guest";
}

void TestParlane::findsAnotherNick()
{
    QFETCH(QString, nick);
    QFETCH(QString, expectedStart);
    NgircdServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    RawIrcClient holder;
    QVERIFY(holder.login(server.port(), "bob"));

    Parlane p;
    p.setNick(nick);
    p.setServer(server.address());
    QSignalSpy connected(&p, &Parlane::Connected);
    p.Connect();
    QVERIFY(connected.wait());
    QVERIFY2(p.currentNick().startsWith(expectedStart), qPrintable(p.currentNick()));

    // The server knows us by that nick: a message to it arrives.
    QSignalSpy messages(&p, &Parlane::MessageReceived);
    holder.send("PRIVMSG " + p.currentNick().toUtf8() + " :found you");
    QVERIFY(messages.wait());
    QCOMPARE(messages.first().at(4).toString(), QStringLiteral("found you"));
}

void TestParlane::neverSendsBreaks_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QList<QByteArray>>("expected");

    QTest::newRow("CR LF everywhere")
        << "bo\r\nb"
        << "#x\r\nQUIT"
        << "a\r\nQUIT :x"
        << "PONG h\r\nQUIT"
        << QList<QByteArray>{"NICK bob", "JOIN #xQUIT", "PRIVMSG #xQUIT :a",
                             "PRIVMSG #xQUIT :QUIT :x", "PONG hQUIT"};
    QTest::newRow("lone CR and LF")
        << "bob"
        << "#x"
        << "one\rtwo\nthree"
        << "PONG \rh\n"
        << QList<QByteArray>{"NICK bob",        "JOIN #x",           "PRIVMSG #x :one",
                             "PRIVMSG #x :two", "PRIVMSG #x :three", "PONG h"};
    QTest::newRow("NUL") << QString::fromLatin1("b\0ob", 4) << QString::fromLatin1("#\0x", 3)
                         << QString::fromLatin1("te\0xt", 5) << QString::fromLatin1("PONG \0h", 7)
                         << QList<QByteArray>{"NICK bob", "JOIN #x", "PRIVMSG #x :text", "PONG h"};
    QTest::newRow("blank in channel")
        << "bob"
        << "#x secret"
        << "hi"
        << "PONG h" << QList<QByteArray>{"NICK bob", "JOIN #x", "PRIVMSG #x :hi", "PONG h"};
}

void TestParlane::neverSendsBreaks()
{
    QFETCH(QString, nick);
    QFETCH(QString, channel);
    QFETCH(QString, message);
    QFETCH(QString, raw);
    QFETCH(QList<QByteArray>, expected);

    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    p.setNick(nick);
    p.setServer(server.address());
    QSignalSpy connected(&p, &Parlane::Connected);
    p.Connect();
    QVERIFY(server.waitForLine("USER bob 0 * :HopWise"));
    server.welcome("bob");
    QVERIFY(connected.wait());
    p.JoinChannel(channel);
    p.SendMessage(channel, message);
    p.SendRaw(raw);
    p.SendRaw(QStringLiteral("END"));
    QVERIFY(server.waitForLine("END"));

    QList<QByteArray> sent = server.lines();
    sent.removeAll("USER bob 0 * :HopWise");
    sent.removeAll("END");
    QCOMPARE(sent, expected);
}

void TestParlane::reportsMessages_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("args"); // empty: nothing reported

    QTest::newRow("channel") << QByteArray(":alice!~al@10.0.0.1 PRIVMSG #Velmora :hello")
                             << QStringList{"alice", "~al", "10.0.0.1", "#Velmora", "hello"};
    QTest::newRow("private") << QByteArray(":alice!~al@h PRIVMSG bob :psst")
                             << QStringList{"alice", "~al", "h", "bob", "psst"};
    QTest::newRow("notice from a user") << QByteArray(":alice!~al@h NOTICE #Velmora :note")
                                        << QStringList{"alice", "~al", "h", "#Velmora", "note"};
    QTest::newRow("latin-1") << QByteArray(":alice!~al@h PRIVMSG #V :caf\xe9")
                             << QStringList{"alice", "~al", "h", "#V", QString::fromUtf8("café")};
    QTest::newRow("cut inside a character")
        << QByteArray(":alice!~al@h PRIVMSG #V :x\xe2\x82[CUT]")
        << QStringList{"alice", "~al", "h", "#V", QString::fromLatin1("x\xe2\x82[CUT]")};
    QTest::newRow("utf-8") << QByteArray(":alice!~al@h PRIVMSG #V :\xe2\x82\xac\xf0\x9f\x98\x80")
                           << QStringList{"alice", "~al", "h", "#V", QString::fromUtf8("€😀")};
    QTest::newRow("action") << QByteArray(":alice!~al@h PRIVMSG #V :\x01"
                                          "ACTION waves\x01")
                            << QStringList{"alice", "~al", "h", "#V", "ACTION waves"};
    QTest::newRow("version request")
        << QByteArray(":alice!~al@h PRIVMSG bob :\x01VERSION\x01") << QStringList{};
    QTest::newRow("server notice")
        << QByteArray(":fake.server NOTICE bob :maintenance") << QStringList{};
    QTest::newRow("no text") << QByteArray(":alice!~al@h PRIVMSG #V") << QStringList{};
}

void TestParlane::reportsMessages()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, args);
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    QVERIFY(connectToFake(p, server, "bob"));
    QSignalSpy messages(&p, &Parlane::MessageReceived);
    QSignalSpy lines(&p, &Parlane::LineReceived);
    server.write(line + "\r\n:end!e@h PRIVMSG #V :end\r\n");
    QTRY_COMPARE(lines.count(), 2);
    QList<QStringList> seen;
    for (const QList<QVariant> &a : messages) {
        QStringList texts;
        for (const QVariant &v : a)
            texts.append(v.toString());
        seen.append(texts);
    }
    QList<QStringList> expected;
    if (!args.isEmpty())
        expected.append(args);
    expected.append(QStringList{"end", "e", "h", "#V", "end"});
    QCOMPARE(seen, expected);
}

void TestParlane::reportsOwnKickOnly_data()
{
    QTest::addColumn<QByteArray>("kick");
    QTest::addColumn<QStringList>("args"); // empty: no Kicked

    QTest::newRow("same spelling") << QByteArray(":op!~o@h KICK #Velmora bob :bye")
                                   << QStringList{"#Velmora", "op", "~o", "h", "bob", "bye"};
    QTest::newRow("channel in other case")
        << QByteArray(":op!~o@h KICK #VELMORA bob :bye")
        << QStringList{"#Velmora", "op", "~o", "h", "bob", "bye"};
    QTest::newRow("nick in other case") << QByteArray(":op!~o@h KICK #velmora BOB")
                                        << QStringList{"#Velmora", "op", "~o", "h", "BOB", ""};
    QTest::newRow("someone else") << QByteArray(":op!~o@h KICK #Velmora bobby :bye")
                                  << QStringList{};
    QTest::newRow("truncated") << QByteArray(":op!~o@h KICK #Velmora") << QStringList{};
}

void TestParlane::reportsOwnKickOnly()
{
    QFETCH(QByteArray, kick);
    QFETCH(QStringList, args);
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    QVERIFY(connectToFake(p, server, "bob"));
    p.JoinChannel(QStringLiteral("#Velmora"));
    QVERIFY(server.waitForLine("JOIN #Velmora"));
    QSignalSpy kicked(&p, &Parlane::Kicked);
    QSignalSpy lines(&p, &Parlane::LineReceived);
    server.write(":bob!~u@127.0.0.1 JOIN :#Velmora\r\n" + kick + "\r\n");
    QTRY_COMPARE(lines.count(), 2);
    if (args.isEmpty()) {
        QCOMPARE(kicked.count(), 0);
        return;
    }
    QCOMPARE(kicked.count(), 1);
    QStringList seen;
    for (const QVariant &v : kicked.first())
        seen.append(v.toString());
    QCOMPARE(seen, args);
}

void TestParlane::secondConnectClosesTheFirst()
{
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    QVERIFY(connectToFake(p, server, "bob"));
    QPointer<QTcpSocket> first = server.client();
    QSignalSpy firstGone(first.data(), &QTcpSocket::disconnected);
    QSignalSpy messages(&p, &Parlane::MessageReceived);
    QSignalSpy connected(&p, &Parlane::Connected);

    p.Connect();
    QVERIFY(server.waitForConnection(2));
    QVERIFY(firstGone.wait() || firstGone.count() == 1);
    QVERIFY(server.linesFrom(0).contains("QUIT"));
    QVERIFY(server.waitForLine("NICK bob"));
    server.welcome("bob");
    QVERIFY(connected.wait());
    QCOMPARE(connected.count(), 1);
    server.write(":a!b@c PRIVMSG #x :on the new one\r\n");
    QVERIFY(messages.wait());
    QCOMPARE(messages.count(), 1);
}

void TestParlane::survivesHostileServer()
{
    FakeIrcServer server;
    QVERIFY(server.listen());
    Parlane p;
    QVERIFY(connectToFake(p, server, "bob"));
    QSignalSpy messages(&p, &Parlane::MessageReceived);
    // Megabytes without a line end, NULs, a line longer than any the protocol allows, then
    // ordinary traffic that must still get through.
    const QByteArray garbage(4 * 1024 * 1024, 'A');
    server.write(garbage);
    server.write(QByteArray("\0\0\0\r\n", 5));
    server.write(":a!b@c PRIVMSG #x :" + QByteArray(20000, 'B') + "\r\n");
    const char tail[] = ":a!b@c PRIVMSG #x :te\0xt\r\nPING :alive\r\n";
    server.write(QByteArray(tail, sizeof tail - 1));
    QVERIFY(server.waitForLine("PONG :alive", 20000));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.first().at(4).toString(), QStringLiteral("text"));
}

void TestParlane::survivesLostAndFailedConnections()
{
    Parlane p;
    QSignalSpy connected(&p, &Parlane::Connected);
    QSignalSpy gone(&p, &Parlane::Disconnected);

    // Nothing connected yet: every operation is a quiet no-op.
    p.JoinChannel(QStringLiteral("#x"));
    p.SendMessage(QStringLiteral("#x"), QStringLiteral("hello"));
    p.SendRaw(QStringLiteral("PONG x"));

    for (const QString &bad : {QString(), QStringLiteral("127.0.0.1:0"), QStringLiteral("[::1")}) {
        p.setServer(bad);
        p.Connect();
        QVERIFY(gone.wait());
    }
    quint16 closedPort;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    p.setServer(QStringLiteral("127.0.0.1:%1").arg(closedPort));
    p.Connect();
    QVERIFY(gone.wait());

    {
        FakeIrcServer server;
        QVERIFY(server.listen());
        QVERIFY(connectToFake(p, server, "bob"));
        gone.clear();
    }
    QVERIFY(gone.wait() || gone.count() == 1);
    QVERIFY(!p.isRegistered());
    p.JoinChannel(QStringLiteral("#x"));
    p.SendMessage(QStringLiteral("#x"), QStringLiteral("into the void"));
    p.SendRaw(QStringLiteral("PONG x"));
    QCOMPARE(connected.count(), 1);
}

HOPWISE_TEST_MAIN(TestParlane)
#include "tst_parlane.moc"
