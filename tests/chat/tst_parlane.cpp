#include "ircpeer.h"
#include "testmain.h"

#include "chat/parlane.h"

#include <QSignalSpy>

class TestParlane : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_parlane = std::make_unique<Parlane>();
        QVERIFY(m_fake.isListening() || m_fake.listen(QHostAddress::LocalHost));
    }

    void registersAndAnswersPings()
    {
        QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
        connectTo(QStringLiteral("127.0.0.1:%1").arg(m_fake.serverPort()), QStringLiteral("Bob"));
        const auto server = IrcPeer::accept(m_fake);
        QVERIFY(server && !server->waitFor("USER ").isEmpty());
        QCOMPARE(server->lines, (QList<QByteArray>{"NICK Bob", "USER bob 0 * :HopWise"}));
        // Some servers ask before the welcome.
        server->send(":irc.test NOTICE * :*** Looking up your hostname\r\nPING :early bird");
        QCOMPARE(server->waitFor("PONG"), QByteArray("PONG :early bird"));
        server->send(":irc.test 001 Bob :Welcome\r\n:irc.test 001 Bob :a confused server\r\nPING");
        QCOMPARE(server->waitFor("PONG"), QByteArray("PONG"));
        QCOMPARE(connected.count(), 1);
    }

    void answersRealServerPings()
    {
        // The server asks after 5 s of silence and drops us 5 s after an unanswered ask; a second
        // ask proves the first was answered.
        Ngircd server;
        QVERIFY(server.start(5));
        int pings = 0;
        QObject scope;
        connect(m_parlane.get(), &Parlane::LineReceived, &scope, [&pings](const QString &line) {
            pings += line.startsWith(QLatin1String("PING")) ? 1 : 0;
        });
        connectTo(server.address());
        QTRY_VERIFY_WITH_TIMEOUT(pings >= 2, 20000);
    }

    void findsAnotherNick_data()
    {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("expectedStart");
        QTest::newRow("taken") << QStringLiteral("bob") << QStringLiteral("bob_");
        QTest::newRow("empty") << QString() << QStringLiteral("Guest");
        QTest::newRow("invalid") << QStringLiteral("9lives") << QStringLiteral("Guest");
    }
    void findsAnotherNick()
    {
        QFETCH(QString, nick);
        QFETCH(QString, expectedStart);
        Ngircd server;
        QVERIFY(server.start());
        IrcPeer holder;
        QVERIFY(holder.login(server.port, "bob"));
        QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
        connectTo(server.address(), nick);
        QVERIFY(connected.wait());
        QCOMPARE(m_parlane->currentNick().left(expectedStart.size()), expectedStart);
    }

    void neverSendsBreaks()
    {
        QVERIFY(fake(QStringLiteral("b\0o\r\nb")));
        const QString channel = QStringLiteral("#x\r\nQUIT");
        m_parlane->JoinChannel(channel);
        m_parlane->SendMessage(channel, QStringLiteral("a\r\nQUIT :x\rtwo\nthr\0ee"));
        m_parlane->SendRaw(QStringLiteral("PONG h\r\nQUIT\0"));
        m_parlane->JoinChannel(QStringLiteral("#y secret"));
        m_parlane->SendRaw(QStringLiteral("END"));
        QVERIFY(!m_server->waitFor("END").isEmpty());
        QCOMPARE(m_server->lines,
                 (QList<QByteArray>{"NICK bob", "USER bob 0 * :HopWise", "JOIN #xQUIT",
                                    "PRIVMSG #xQUIT :a", "PRIVMSG #xQUIT :QUIT :x",
                                    "PRIVMSG #xQUIT :two", "PRIVMSG #xQUIT :three", "PONG hQUIT",
                                    "JOIN #y", "END"}));
    }

    void reportsMessagesAndOwnKicks_data()
    {
        // The signal and its texts joined by '|'; empty: nothing reported.
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("latin-1") << QByteArray(":a!u@h PRIVMSG bob :caf\xe9")
                                 << "said a|u|h|bob|café";
        QTest::newRow("action") << QByteArray(":a!u@h PRIVMSG #V :\1ACTION hi\1")
                                << "said a|u|h|#V|ACTION hi";
        QTest::newRow("version request") << QByteArray(":a!u@h PRIVMSG bob :\1VERSION\1") << "";
        QTest::newRow("server notice") << QByteArray(":irc.test NOTICE bob :maintenance") << "";
        QTest::newRow("kick") << QByteArray(":o!u@h KICK #v BOB :bye") << "kicked #V|o|u|h|BOB|bye";
        QTest::newRow("kick of another") << QByteArray(":o!u@h KICK #V bobby :bye") << "";
        QTest::newRow("truncated kick") << QByteArray(":o!u@h KICK #V") << "";
        // Megabytes without a line end, NULs, a line longer than the protocol allows: what
        // follows still gets through.
        const QByteArray tail(":a!u@h PRIVMSG #V :te\0xt", 24);
        QTest::newRow("hostile") << QByteArray(4 << 20, 'A') + QByteArray("\0\r\n", 3) + tail +
                                        QByteArray(20000, 'B') + "\r\n" + tail
                                 << "said a|u|h|#V|text";
    }
    void reportsMessagesAndOwnKicks()
    {
        QFETCH(QByteArray, line);
        QVERIFY(fake());
        m_parlane->JoinChannel(QStringLiteral("#V"));
        QStringList reported;
        QObject scope;
        const auto note = [&reported](const char *what, const QStringList &texts) {
            reported += what + texts.join('|');
        };
        connect(m_parlane.get(), &Parlane::MessageReceived, &scope,
                [&](auto... t) { note("said ", {t...}); });
        connect(m_parlane.get(), &Parlane::Kicked, &scope,
                [&](auto... t) { note("kicked ", {t...}); });
        m_server->send(":bob!~bob@h JOIN :#V\r\n" + line + "\r\nPING :done");
        QVERIFY(!m_server->waitFor("PONG :done").isEmpty());
        QTEST(reported.join(QLatin1String("; ")), "expected");
    }

    void secondConnectClosesTheFirst()
    {
        QVERIFY(fake());
        const auto first = std::move(m_server);
        QSignalSpy firstGone(first->socket, &QTcpSocket::disconnected);
        QVERIFY(fake());
        QVERIFY(firstGone.count() == 1 || firstGone.wait());
        QVERIFY(first->lines.contains("QUIT"));
        QSignalSpy messages(m_parlane.get(), &Parlane::MessageReceived);
        m_server->send(":a!b@c PRIVMSG #x :on the new one");
        QVERIFY(messages.wait());
    }

    void survivesFailedConnections()
    {
        QSignalSpy gone(m_parlane.get(), &Parlane::Disconnected);
        // No address, no port, half an address, nobody listening.
        for (const QString &bad : {QString(), QStringLiteral("127.0.0.1:0"), QStringLiteral("[::1"),
                                   QStringLiteral("127.0.0.1:1")}) {
            connectTo(bad);
            QVERIFY2(gone.wait(), qPrintable(bad));
            m_parlane->SendMessage(QStringLiteral("#x"), QStringLiteral("into the void"));
        }
    }

private:
    void connectTo(const QString &server, const QString &nick = QStringLiteral("bob"))
    {
        m_parlane->setNick(nick);
        m_parlane->setServer(server);
        m_parlane->Connect();
    }
    // Connects to the scripted server as nick; m_server speaks for the server once it welcomed us.
    bool fake(const QString &nick = QStringLiteral("bob"))
    {
        QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
        connectTo(QStringLiteral("127.0.0.1:%1").arg(m_fake.serverPort()), nick);
        m_server = IrcPeer::accept(m_fake);
        if (!m_server || m_server->waitFor("USER ").isEmpty())
            return false;
        m_server->send(":irc.test 001 bob :Welcome bob!~bob@127.0.0.1");
        return connected.wait();
    }

    QTcpServer m_fake;
    std::unique_ptr<IrcPeer> m_server;
    std::unique_ptr<Parlane> m_parlane;
};

HOPWISE_TEST_MAIN(TestParlane)
#include "tst_parlane.moc"
