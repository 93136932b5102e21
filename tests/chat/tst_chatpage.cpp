#include "ircpeer.h"
#include "testmain.h"

#include "chat/chatpage.h"
#include "chat/parlane.h"
#include "controls/richtextbox.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTimer>

class TestChatPage : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.kill();
        qputenv("HOPWISE_UPDATE_SERVER", "chat.hopwise.test:8081");
        QVERIFY(m_server.start());
        // Alice is there first, so she operates the channel.
        m_alice = std::make_unique<IrcPeer>();
        QVERIFY(m_alice->login(m_server.port, "alice"));
        m_alice->send("JOIN #Velmora");
        QVERIFY(!m_alice->waitFor(" 366 ").isEmpty());
        m_page = std::make_unique<ChatPage>();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    void startsLoggedOut()
    {
        QVERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        QCOMPARE(child("fraLogin")->geometry(), child("fraChat")->geometry());
        QCOMPARE(child<QLineEdit>("txtIP")->text(), QStringLiteral("chat.hopwise.test"));
    }

    void conversationIsLoggedAndOutlivesTheServer()
    {
        QVERIFY(joinAsBob());
        QCOMPARE(log(), QStringLiteral("You have joined #Velmora"));
        send(QStringLiteral("hello alice"));
        send(QStringLiteral("by Enter"), true);
        QCOMPARE(child<QLineEdit>("txtMessage")->text(), QString());
        send(QString());
        send(QString(), true);
        // The empty ones are logged but not sent: the server would only refuse them.
        QCOMPARE(fromBobUntilEnd(),
                 (QList<QByteArray>{"JOIN :#Velmora", "PRIVMSG #Velmora :hello alice",
                                    "PRIVMSG #Velmora :by Enter", "PRIVMSG #Velmora :end"}));
        m_alice->send("PRIVMSG #Velmora :hi bob\r\nNOTICE #Velmora :a notice");
        // Remote text can neither start a line of its own nor be read as markup.
        m_alice->send(
            u8"PRIVMSG bob :<b>x</b>\u2029carol: \x02{\\rtf1 \\par y}\u2028\ufdd0\v\u0085z");
        QTRY_COMPARE(log(),
                     QStringLiteral("You have joined #Velmora\nbob: hello alice\nbob: by Enter\n"
                                    "bob: \nbob: \nbob: end\nalice: hi bob\nalice: a notice\n"
                                    "alice: <b>x</b> carol: {\\rtf1 \\par y}    z"));
        QCOMPARE(child<RichTextBox>("rtfChat")->document()->blockCount(), 9);

        // The server dies mid-chat: the page lives on.
        QSignalSpy gone(child<Parlane>("Parlane"), &Parlane::Disconnected);
        m_server.kill();
        QVERIFY(gone.wait());
        send(QStringLiteral("anyone?"), true);
        m_page->frmMain_tmrPong_Timer();
        QVERIFY(log().endsWith(QLatin1String("z\nbob: anyone?")));
    }

    void kickShowsTheBoxThenReconnectContinuesTheLog()
    {
        QStringList boxes; // every message box, closed as soon as it shows
        QTimer closer;
        connect(&closer, &QTimer::timeout, &closer, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes += box->windowTitle() + ": " + box->text();
                box->accept();
            }
        });
        closer.start(10);
        QVERIFY(joinAsBob());
        send(QStringLiteral("I will behave"), true);
        QVERIFY(!m_alice->waitFor(":I will behave").isEmpty());
        m_alice->send("KICK #VELMORA bob :out"); // spelled unlike the page joined it
        QTRY_COMPARE(boxes,
                     QStringList{"HopWise: You have been kicked, dont do what you did again!"});
        QTRY_VERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        click("cmdConnect");
        QTRY_VERIFY(child("fraChat")->isVisible());
        QCOMPARE(log(), QStringLiteral("You have joined #Velmora\nbob: I will behave"
                                       "You have joined #Velmora"));
        QVERIFY(!m_alice->waitFor(" JOIN :#Velmora").isEmpty());
        QCOMPARE(boxes.size(), 1);
    }

    void messagesArriveAsTyped()
    {
        QVERIFY(joinAsBob());
        send(QStringLiteral("first\r\nQUIT :gone\nPART #Velmora"));
        // 1,000 bytes of one-, two-, three- and four-byte characters.
        const QString longText = QStringLiteral("aé€😀").repeated(100);
        send(longText);
        QList<QByteArray> seen = fromBobUntilEnd();
        QCOMPARE(seen.mid(0, 4), (QList<QByteArray>{"JOIN :#Velmora", "PRIVMSG #Velmora :first",
                                                    "PRIVMSG #Velmora :QUIT :gone",
                                                    "PRIVMSG #Velmora :PART #Velmora"}));
        QCOMPARE(seen.takeLast(), QByteArray("PRIVMSG #Velmora :end"));
        QByteArray joined;
        for (const QByteArray &line : seen.mid(4)) {
            QVERIFY(line.startsWith("PRIVMSG #Velmora :") && 20 + line.size() + 2 <= 512);
            QVERIFY(QString::fromUtf8(line).toUtf8() == line); // cut between characters
            joined += line.mid(18);
        }
        QCOMPARE(QString::fromUtf8(joined), longText);
        QVERIFY(log().endsWith("bob: " + longText + "\nbob: end"));
    }

    void keepAliveCarriesTheCurrentServerText()
    {
        // A scripted server, as a real one does not relay what it is sent.
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost));
        const QString address = QStringLiteral("127.0.0.1:%1").arg(fake.serverPort());
        child<QLineEdit>("txtIP")->setText(address);
        click("cmdConnect");
        const auto server = IrcPeer::accept(fake);
        QVERIFY(server && !server->waitFor("USER ").isEmpty());
        server->send(":irc.test 001 bob :Welcome");
        QVERIFY(!server->waitFor("JOIN #Velmora").isEmpty());
        QCOMPARE(server->waitFor("PONG ", 8000), "PONG " + address.toUtf8());
        child<QLineEdit>("txtIP")->setText(QStringLiteral("irc.elsewhere.test\r\nQUIT"));
        QCOMPARE(server->waitFor("PONG ", 8000), QByteArray("PONG irc.elsewhere.testQUIT"));
        QVERIFY(!server->lines.contains("QUIT"));
    }

private:
    template<typename T = QWidget> T *child(const char *name) const
    {
        return m_page->findChild<T *>(QLatin1String(name));
    }
    QString log() const { return child<RichTextBox>("rtfChat")->text(); }
    void click(const char *button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    // Logs in as bob on the test server and waits until the other user sees him join.
    bool joinAsBob()
    {
        child<QLineEdit>("txtUsername")->setText(QStringLiteral("bob"));
        child<QLineEdit>("txtIP")->setText(m_server.address());
        click("cmdConnect");
        return !m_alice->waitFor(":bob!").isEmpty() && child("fraChat")->isVisible() &&
               !child("fraLogin")->isVisible();
    }
    void send(const QString &text, bool byEnter = false)
    {
        child<QLineEdit>("txtMessage")->setText(text);
        byEnter ? QTest::keyClick(child("txtMessage"), Qt::Key_Return) : click("cmdSend");
    }
    // Sends "end" by Enter; what the other user then has seen of bob, without his prefix.
    QList<QByteArray> fromBobUntilEnd()
    {
        send(QStringLiteral("end"), true);
        m_alice->waitFor("PRIVMSG #Velmora :end");
        QList<QByteArray> seen;
        for (const QByteArray &line : m_alice->lines)
            seen += line.startsWith(":bob!~bob@127.0.0.1 ") ? line.mid(20) : QByteArray();
        seen.removeAll(QByteArray());
        return seen;
    }

    Ngircd m_server;
    std::unique_ptr<IrcPeer> m_alice;
    std::unique_ptr<ChatPage> m_page;
};

HOPWISE_TEST_MAIN(TestChatPage)
#include "tst_chatpage.moc"
