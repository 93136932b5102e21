#include "ircpeer.h"
#include "testmain.h"

#include "chat/chatpage.h"
#include "chat/parlane.h"
#include "controls/richtextbox.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

class TestChatPage : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        qputenv("HOPWISE_UPDATE_SERVER", "chat.hopwise.test:8081");
        m_page = std::make_unique<ChatPage>();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    // One conversation on a real server, seen by another user in the channel.
    void conversationKickReconnectAndLostServer()
    {
        QVERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        QCOMPARE(child("fraLogin")->geometry(), child("fraChat")->geometry());
        QCOMPARE(child<QLineEdit>("txtIP")->text(), QStringLiteral("chat.hopwise.test"));
        Ngircd server;
        QVERIFY(server.start());
        IrcPeer alice; // there first, so she operates the channel
        QVERIFY(alice.login(server.port, "alice"));
        alice.send("JOIN #Velmora");
        QVERIFY(!alice.waitFor(" 366 ").isEmpty());
        child<QLineEdit>("txtUsername")->setText(QStringLiteral("bob"));
        child<QLineEdit>("txtIP")->setText(server.address());
        click("cmdConnect");
        QVERIFY(!alice.waitFor(":bob!").isEmpty());

        send(QStringLiteral("hello alice"));
        send(QStringLiteral("by Enter"), true);
        QCOMPARE(child<QLineEdit>("txtMessage")->text(), QString());
        send(QString());
        send(QString(), true);
        send(QStringLiteral("first\r\nQUIT :gone\nPART #Velmora"));
        const QString longText = QStringLiteral("aé€😀").repeated(100); // 1,000 bytes
        send(longText);
        send(QStringLiteral("end"), true);
        // The empty ones are logged but not sent: the server would only refuse them. The long
        // one arrives whole, in pieces.
        QVERIFY(!alice.waitFor("PRIVMSG #Velmora :end").isEmpty());
        QByteArrayList seen; // what alice saw of bob, without "PRIVMSG #Velmora :"
        for (const QByteArray &line : std::as_const(alice.lines))
            if (line.startsWith(":bob!~bob@127.0.0.1 "))
                seen += QByteArray(line.mid(20)).replace("PRIVMSG #Velmora :", "");
        QCOMPARE(seen.mid(0, 6).join('|'),
                 "JOIN :#Velmora|hello alice|by Enter|first|QUIT :gone|PART #Velmora");
        QVERIFY(seen.size() > 8 && seen.last() == "end");
        QCOMPARE(seen.mid(6, seen.size() - 7).join(), longText.toUtf8());

        alice.send("PRIVMSG #Velmora :hi bob\r\nNOTICE #Velmora :a notice");
        // Remote text can neither start a line of its own nor be read as markup.
        alice.send(u8"PRIVMSG bob :<b>x</b>\u2029carol: \x02{\\rtf1 \\par y}\u2028\ufdd0\v\u0085z");
        QTRY_COMPARE(log(), "You have joined #Velmora\nbob: hello alice\nbob: by Enter\nbob: \n"
                            "bob: \nbob: first\nQUIT :gone\nPART #Velmora\nbob: " +
                                longText +
                                "\nbob: end\nalice: hi bob\nalice: a notice\n"
                                "alice: <b>x</b> carol: {\\rtf1 \\par y}    z");

        QStringList boxes; // every message box, closed as soon as it shows
        QTimer closer;
        connect(&closer, &QTimer::timeout, &closer, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes += box->windowTitle() + ": " + box->text();
                box->accept();
            }
        });
        closer.start(10);
        alice.send("KICK #VELMORA bob :out"); // spelled unlike the page joined it
        QTRY_COMPARE(boxes,
                     QStringList{"HopWise: You have been kicked, dont do what you did again!"});
        QTRY_VERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        click("cmdConnect");
        QTRY_VERIFY(child("fraChat")->isVisible());
        QVERIFY(log().endsWith(QLatin1String("    zYou have joined #Velmora")));
        QVERIFY(!alice.waitFor(" JOIN :#Velmora").isEmpty());

        // The server dies mid-chat: the page lives on.
        QSignalSpy gone(child<Parlane>("Parlane"), &Parlane::Disconnected);
        server.kill();
        QVERIFY(gone.wait());
        send(QStringLiteral("anyone?"), true);
        m_page->frmMain_tmrPong_Timer();
        QVERIFY(log().endsWith(QLatin1String("Velmora\nbob: anyone?")));
        QCOMPARE(boxes.size(), 1);
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
    void send(const QString &text, bool byEnter = false)
    {
        child<QLineEdit>("txtMessage")->setText(text);
        byEnter ? QTest::keyClick(child("txtMessage"), Qt::Key_Return) : click("cmdSend");
    }

    std::unique_ptr<ChatPage> m_page;
};

HOPWISE_TEST_MAIN(TestChatPage)
#include "tst_chatpage.moc"
