#include "ircpeer.h"
#include "testmain.h"

#include "chat/chatpage.h"
#include "chat/parlane.h"
#include "controls/richtextbox.h"

#include <QLineEdit>
#include <QMessageBox>

// The chat page first: one conversation on a real server, seen by another user in the channel.
// The page slots up to the lost server are its steps, in order, and share the server, the other
// user and the page. Then the chat client alone, on a real server and a scripted one.
class TestChat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        connect(&m_closer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_boxes += box->windowTitle() + ": " + box->text();
                box->accept();
            }
        });
        m_closer.start(10);
        QVERIFY(m_fake.listen(QHostAddress::LocalHost));
        qputenv("HOPWISE_UPDATE_SERVER", "chat.hopwise.test:8081");
        QVERIFY(m_ircd.start());
        QVERIFY(m_alice.login(m_ircd.port, "alice")); // there first, so she operates the channel
        m_alice.send("JOIN #Velmora");
        QVERIFY(!m_alice.waitFor(" 366 ").isEmpty());
        QVERIFY(newPage());
    }
    void init() { m_parlane = std::make_unique<Parlane>(); }

    void pageConnectJoinsTheChannel()
    {
        QVERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        QCOMPARE(child("fraLogin")->geometry(), child("fraChat")->geometry());
        QCOMPARE(child<QLineEdit>("txtIP")->text(), QStringLiteral("chat.hopwise.test"));
        child<QLineEdit>("txtUsername")->setText(QStringLiteral("bob"));
        child<QLineEdit>("txtIP")->setText(m_ircd.address());
        click("cmdConnect");
        QVERIFY(!m_alice.waitFor(":bob!").isEmpty());
        QTRY_VERIFY(child("fraChat")->isVisible() && !child("fraLogin")->isVisible());
    }

    void pageMessagesReachTheChannelAsSent()
    {
        send(QStringLiteral("hello alice"));
        send(QStringLiteral("by Enter"), true);
        QCOMPARE(child<QLineEdit>("txtMessage")->text(), QString());
        send(QString());
        send(QString(), true);
        send(QStringLiteral("first\r\nQUIT :gone\nPART #Velmora"));
        send(longText());
        send(QStringLiteral("end"), true);
        // The empty ones are logged but not sent: the server would only refuse them. The long
        // one arrives whole, in pieces.
        QVERIFY(!m_alice.waitFor("PRIVMSG #Velmora :end").isEmpty());
        QByteArrayList seen; // what alice saw of bob, without "PRIVMSG #Velmora :"
        for (const QByteArray &line : std::as_const(m_alice.lines))
            if (line.startsWith(":bob!~bob@127.0.0.1 "))
                seen += QByteArray(line.mid(20)).replace("PRIVMSG #Velmora :", "");
        QCOMPARE(seen.mid(0, 6).join('|'),
                 "JOIN :#Velmora|hello alice|by Enter|first|QUIT :gone|PART #Velmora");
        QVERIFY(seen.size() > 8 && seen.last() == "end");
        QCOMPARE(seen.mid(6, seen.size() - 7).join(), longText().toUtf8());
    }

    void pageLogsRemoteTextAsPlainLines()
    {
        m_alice.send("PRIVMSG #Velmora :hi bob\r\nNOTICE #Velmora :a notice");
        // Remote text can neither start a line of its own nor be read as markup.
        m_alice.send(
            u8"PRIVMSG bob :<b>x</b>\u2029carol: \x02{\\rtf1 \\par y}\u2028\ufdd0\v\u0085z");
        QTRY_COMPARE(log(), "You have joined #Velmora\nbob: hello alice\nbob: by Enter\nbob: \n"
                            "bob: \nbob: first\nQUIT :gone\nPART #Velmora\nbob: " +
                                longText() +
                                "\nbob: end\nalice: hi bob\nalice: a notice\n"
                                "alice: <b>x</b> carol: {\\rtf1 \\par y}    z");
    }

    void pageShowsTheLoginAgainAfterAKick()
    {
        m_alice.send("KICK #VELMORA bob :out"); // spelled unlike the page joined it
        QTRY_COMPARE(m_boxes,
                     QStringList{"HopWise: You have been kicked, dont do what you did again!"});
        QTRY_VERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        click("cmdConnect");
        QTRY_VERIFY(child("fraChat")->isVisible());
        QVERIFY(log().endsWith(QLatin1String("    zYou have joined #Velmora")));
        QVERIFY(!m_alice.waitFor(" JOIN :#Velmora").isEmpty());
    }

    void pageOutlivesTheServer()
    {
        QSignalSpy gone(child<Parlane>("Parlane"), &Parlane::Disconnected);
        m_ircd.kill();
        QVERIFY(gone.wait());
        send(QStringLiteral("anyone?"), true);
        m_page->frmMain_tmrPong_Timer();
        QVERIFY(log().endsWith(QLatin1String("Velmora\nbob: anyone?")));
        QCOMPARE(m_boxes.size(), 1);
    }

    void pageKeepAliveCarriesTheCurrentServerText()
    {
        QVERIFY(newPage());
        // The scripted server, as a real one does not relay what it is sent.
        child<QLineEdit>("txtIP")->setText(fakeAddress());
        click("cmdConnect");
        QVERIFY(welcome());
        QCOMPARE(m_scripted->waitFor("PONG ", 8000), "PONG " + fakeAddress().toUtf8());
        child<QLineEdit>("txtIP")->setText(QStringLiteral("irc.elsewhere.test\r\nQUIT"));
        QCOMPARE(m_scripted->waitFor("PONG ", 8000), QByteArray("PONG irc.elsewhere.testQUIT"));
        QVERIFY(!m_scripted->lines.contains("QUIT"));
    }

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
        const auto first = std::move(m_scripted);
        QSignalSpy firstGone(first->socket, &QTcpSocket::disconnected);
        QVERIFY(fake());
        QVERIFY(firstGone.count() == 1 || firstGone.wait());
        QCOMPARE(first->lines,
                 (QList<QByteArray>{"NICK bob", "USER bob 0 * :HopWise", "PONG :early bird",
                                    "JOIN #xQUIT", "PRIVMSG #xQUIT :a", "PRIVMSG #xQUIT :QUIT :x",
                                    "PRIVMSG #xQUIT :two", "PRIVMSG #xQUIT :three", "PONG hQUIT",
                                    "JOIN #y", "QUIT"}));
        QSignalSpy messages(m_parlane.get(), &Parlane::MessageReceived);
        m_scripted->send(":a!b@c PRIVMSG #x :on the new one");
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
        m_scripted->send(":bob!~bob@h JOIN :#V\r\n:a!u@h PRIVMSG bob :caf\xe9\r\n"
                         ":a!u@h PRIVMSG bob :\1VERSION\1\r\n:o!u@h KICK #V bobby :bye\r\n"
                         ":o!u@h KICK #V\r\n" +
                         QByteArray(4 << 20, 'A') + QByteArray("\0\r\n", 3) + hostile +
                         QByteArray(20000, 'B') + "\r\n" + hostile +
                         "\r\n:o!u@h KICK #v BOB :bye\r\nPING :done");
        QVERIFY(!m_scripted->waitFor("PONG :done").isEmpty());
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
        QVERIFY(!m_scripted->waitFor("QUIT").isEmpty());

        // The same when the program ends with it, and no event loop runs again.
        QProcess leaver;
        leaver.start(QStringLiteral(CHAT_LEAVER), {fakeAddress()});
        QVERIFY(welcome());
        QVERIFY(!m_scripted->waitFor("QUIT").isEmpty());
        QTRY_COMPARE(leaver.state(), QProcess::NotRunning);
        QCOMPARE(leaver.exitStatus(), QProcess::NormalExit);
        QCOMPARE(leaver.exitCode(), 0);
    }

private:
    static QString longText() { return QStringLiteral("aé€😀").repeated(100); } // 1,000 bytes

    // A new page, shown.
    bool newPage()
    {
        m_page = std::make_unique<ChatPage>();
        m_page->show();
        return QTest::qWaitForWindowExposed(m_page.get());
    }
    template<typename T = QWidget> T *child(const char *name) const
    {
        T *found = m_page->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no %s on the chat page", name);
        return found;
    }
    QString log() const { return child<RichTextBox>("rtfChat")->text(); }
    void click(const char *button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    void send(const QString &text, bool byEnter = false)
    {
        child<QLineEdit>("txtMessage")->setText(text);
        byEnter ? QTest::keyClick(child("txtMessage"), Qt::Key_Return) : click("cmdSend");
    }

    QString fakeAddress() const { return QStringLiteral("127.0.0.1:%1").arg(m_fake.serverPort()); }
    void connectTo(const QString &server, const QString &nick = QStringLiteral("bob"))
    {
        m_parlane->setNick(nick);
        m_parlane->setServer(server);
        m_parlane->Connect();
    }
    // Connects to the scripted server as nick; m_scripted speaks for the server once it welcomed
    // us.
    bool fake(const QString &nick = QStringLiteral("bob"))
    {
        QSignalSpy connected(m_parlane.get(), &Parlane::Connected);
        connectTo(fakeAddress(), nick);
        return welcome() && connected.wait();
    }
    // Accepts the next client of the scripted server and welcomes it, after a PING that some
    // servers send before the welcome.
    bool welcome()
    {
        m_scripted = IrcPeer::accept(m_fake);
        if (!m_scripted || m_scripted->waitFor("USER ").isEmpty())
            return false;
        m_scripted->send(":irc.test NOTICE * :*** Looking up your hostname\r\nPING :early bird");
        const bool answered = !m_scripted->waitFor("PONG :early bird").isEmpty();
        m_scripted->send(":irc.test 001 bob :Welcome bob!~bob@127.0.0.1");
        return answered;
    }

    Ngircd m_ircd;
    IrcPeer m_alice;
    std::unique_ptr<ChatPage> m_page;
    QStringList m_boxes; // every message box, closed as soon as it shows
    QTimer m_closer;
    QTcpServer m_fake;
    std::unique_ptr<IrcPeer> m_scripted;
    std::unique_ptr<Parlane> m_parlane;
};

HOPWISE_TEST_MAIN(TestChat)
#include "tst_chat.moc"
