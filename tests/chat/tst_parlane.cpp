#include "ircpeer.h"
#include "testmain.h"

#include "chat/parlane.h"

#include <QSignalSpy>

class TestParlane : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_fake.listen(QHostAddress::LocalHost)); }
    void init() { m_parlane = std::make_unique<Parlane>(); }

    void failedConnectsThenRealServerNicksAndPings()
    {
        QSignalSpy gone(m_parlane.get(), &Parlane::Disconnected);
        // No address, no port, half an address, nobody listening: the program lives on.
        for (const char *bad : {"", "127.0.0.1:0", "[::1", "127.0.0.1:1"}) {
            connectTo(QString::fromLatin1(bad));
            QVERIFY2(gone.wait(), bad);
            m_parlane->SendMessage(QStringLiteral("#x"), QStringLiteral("into the void"));
        }
        Ngircd server;
        QVERIFY(server.start(5));
        IrcPeer holder;
        QVERIFY(holder.login(server.port, "bob"));
        // Taken, empty, invalid; each Connect replaces the connection before.
        for (const auto &[nick, expected] :
             {std::pair{"bob", "bob_"}, std::pair{"", "Guest"}, std::pair{"9lives", "Guest"}}) {
            QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
            connectTo(server.address(), QString::fromLatin1(nick));
            QVERIFY(connected.wait());
            QVERIFY2(m_parlane->currentNick().startsWith(QLatin1String(expected)), nick);
        }
        // The server asks after 5 s of silence and drops us 5 s after an unanswered ask; a second
        // ask proves the first was answered.
        QSignalSpy lines(m_parlane.get(), &Parlane::LineReceived);
        const QVariantList ping{QStringLiteral("PING :irc.test.local")};
        QTRY_VERIFY_WITH_TIMEOUT(lines.count(ping) >= 2, 20000);
    }

    void neverSendsBreaksAndSecondConnectClosesTheFirst()
    {
        QVERIFY(fake(QStringLiteral("b\0o\r\nb")));
        const QString channel = QStringLiteral("#x\r\nQUIT");
        m_parlane->JoinChannel(channel);
        m_parlane->SendMessage(channel, QStringLiteral("a\r\nQUIT :x\rtwo\nthr\0ee"));
        m_parlane->SendRaw(QStringLiteral("PONG h\r\nQUIT\0"));
        m_parlane->JoinChannel(QStringLiteral("#y secret"));
        const auto first = std::move(m_server);
        QSignalSpy firstGone(first->socket, &QTcpSocket::disconnected);
        QVERIFY(fake());
        QVERIFY(firstGone.count() == 1 || firstGone.wait());
        QCOMPARE(first->lines,
                 (QList<QByteArray>{"NICK bob", "USER bob 0 * :HopWise", "PONG :early bird",
                                    "JOIN #xQUIT", "PRIVMSG #xQUIT :a", "PRIVMSG #xQUIT :QUIT :x",
                                    "PRIVMSG #xQUIT :two", "PRIVMSG #xQUIT :three", "PONG hQUIT",
                                    "JOIN #y", "QUIT"}));
        QSignalSpy messages(m_parlane.get(), &Parlane::MessageReceived);
        m_server->send(":a!b@c PRIVMSG #x :on the new one");
        QVERIFY(messages.wait());
    }

    void reportsMessagesAndOwnKicks()
    {
        QVERIFY(fake());
        m_parlane->JoinChannel(QStringLiteral("#V"));
        QSignalSpy said(m_parlane.get(), &Parlane::MessageReceived);
        QSignalSpy kicked(m_parlane.get(), &Parlane::Kicked);
        // Between the ordinary lines: megabytes without a line end, NULs, a line longer than the
        // protocol allows.
        const QByteArray hostile(":a!u@h PRIVMSG #V :te\0xt", 24);
        m_server->send(":bob!~bob@h JOIN :#V\r\n:a!u@h PRIVMSG bob :caf\xe9\r\n"
                       ":a!u@h PRIVMSG bob :\1VERSION\1\r\n:o!u@h KICK #V bobby :bye\r\n"
                       ":o!u@h KICK #V\r\n" +
                       QByteArray(4 << 20, 'A') + QByteArray("\0\r\n", 3) + hostile +
                       QByteArray(20000, 'B') + "\r\n" + hostile +
                       "\r\n:o!u@h KICK #v BOB :bye\r\nPING :done");
        QVERIFY(!m_server->waitFor("PONG :done").isEmpty());
        QCOMPARE(said.size(), 2);
        QCOMPARE(QVariant(said[0]).toStringList(), (QStringList{"a", "u", "h", "bob", "café"}));
        QCOMPARE(QVariant(said[1]).toStringList(), (QStringList{"a", "u", "h", "#V", "text"}));
        QCOMPARE(kicked.size(), 1);
        QCOMPARE(QVariant(kicked[0]).toStringList(),
                 (QStringList{"#V", "o", "u", "h", "BOB", "bye"}));
    }

    void goingAwaySaysQuit()
    {
        QVERIFY(fake());
        // The window that holds the chat is unloaded: the server must hear the chat leave, not
        // a dropped connection.
        m_parlane.reset();
        QVERIFY(!m_server->waitFor("QUIT").isEmpty());

        // The same when the program ends with it, and no event loop runs again.
        QProcess leaver;
        leaver.start(QStringLiteral(CHAT_LEAVER),
                     {QStringLiteral("127.0.0.1:%1").arg(m_fake.serverPort())});
        QVERIFY(welcome());
        QVERIFY(!m_server->waitFor("QUIT").isEmpty());
        QTRY_COMPARE(leaver.state(), QProcess::NotRunning);
        QCOMPARE(leaver.exitStatus(), QProcess::NormalExit);
        QCOMPARE(leaver.exitCode(), 0);
    }

private:
    void connectTo(const QString &server, const QString &nick = QStringLiteral("bob"))
    {
        m_parlane->setNick(nick);
        m_parlane->setServer(server);
        m_parlane->Connect();
    }
    // Connects to the scripted server as nick; m_server speaks for the server once it welcomed
    // us, after a PING that some servers send before the welcome.
    bool fake(const QString &nick = QStringLiteral("bob"))
    {
        QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
        connectTo(QStringLiteral("127.0.0.1:%1").arg(m_fake.serverPort()), nick);
        return welcome() && connected.wait();
    }
    // Accepts the next client of the scripted server and welcomes it.
    bool welcome()
    {
        m_server = IrcPeer::accept(m_fake);
        if (!m_server || m_server->waitFor("USER ").isEmpty())
            return false;
        m_server->send(":irc.test NOTICE * :*** Looking up your hostname\r\nPING :early bird");
        if (m_server->waitFor("PONG :early bird").isEmpty())
            return false;
        m_server->send(":irc.test 001 bob :Welcome bob!~bob@127.0.0.1");
        return true;
    }

    QTcpServer m_fake;
    std::unique_ptr<IrcPeer> m_server;
    std::unique_ptr<Parlane> m_parlane;
};

HOPWISE_TEST_MAIN(TestParlane)
#include "tst_parlane.moc"
