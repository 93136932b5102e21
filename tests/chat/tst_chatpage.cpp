#include "ircpeer.h"
#include "testmain.h"

#include "chat/chatpage.h"
#include "chat/parlane.h"
#include "controls/richtextbox.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

// One conversation on a real server, seen by another user in the channel: the slots up to the
// lost server are its steps, in order, and share the server, the other user and the page.
class TestChatPage : public QObject
{
    Q_OBJECT
public:
    TestChatPage()
    {
        connect(&m_closer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_boxes += box->windowTitle() + ": " + box->text();
                box->accept();
            }
        });
        m_closer.start(10);
    }

private slots:
    void initTestCase()
    {
        qputenv("HOPWISE_UPDATE_SERVER", "chat.hopwise.test:8081");
        QVERIFY(m_server.start());
        QVERIFY(m_alice.login(m_server.port, "alice")); // there first, so she operates the channel
        m_alice.send("JOIN #Velmora");
        QVERIFY(!m_alice.waitFor(" 366 ").isEmpty());
        QVERIFY(newPage());
    }

    void connectJoinsTheChannel()
    {
        QVERIFY(child("fraLogin")->isVisible() && !child("fraChat")->isVisible());
        QCOMPARE(child("fraLogin")->geometry(), child("fraChat")->geometry());
        QCOMPARE(child<QLineEdit>("txtIP")->text(), QStringLiteral("chat.hopwise.test"));
        child<QLineEdit>("txtUsername")->setText(QStringLiteral("bob"));
        child<QLineEdit>("txtIP")->setText(m_server.address());
        click("cmdConnect");
        QVERIFY(!m_alice.waitFor(":bob!").isEmpty());
        QTRY_VERIFY(child("fraChat")->isVisible() && !child("fraLogin")->isVisible());
    }

    void messagesReachTheChannelAsSent()
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

    void remoteTextIsLoggedAsPlainLines()
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

    void kickShowsTheLoginAgain()
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
        m_server.kill();
        QVERIFY(gone.wait());
        send(QStringLiteral("anyone?"), true);
        m_page->frmMain_tmrPong_Timer();
        QVERIFY(log().endsWith(QLatin1String("Velmora\nbob: anyone?")));
        QCOMPARE(m_boxes.size(), 1);
    }

    void keepAliveCarriesTheCurrentServerText()
    {
        QVERIFY(newPage());
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
    static QString longText() { return QStringLiteral("aé€😀").repeated(100); } // 1,000 bytes

    // A new page, shown, with every control the helpers and steps use without looking again.
    bool newPage()
    {
        m_page = std::make_unique<ChatPage>();
        m_page->show();
        for (const char *name : {"fraLogin", "fraChat", "txtUsername", "txtIP", "txtMessage",
                                 "cmdConnect", "cmdSend", "rtfChat", "Parlane"}) {
            if (!m_page->findChild<QObject *>(QLatin1String(name))) {
                qWarning("no %s on the chat page", name);
                return false;
            }
        }
        return QTest::qWaitForWindowExposed(m_page.get());
    }
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

    Ngircd m_server;
    IrcPeer m_alice;
    std::unique_ptr<ChatPage> m_page;
    QStringList m_boxes; // every message box, closed as soon as it shows
    QTimer m_closer;
};

HOPWISE_TEST_MAIN(TestChatPage)
#include "tst_chatpage.moc"
