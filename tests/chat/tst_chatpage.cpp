#include "fakeircserver.h"
#include "ngircdserver.h"
#include "rawircclient.h"
#include "testmain.h"

#include "chat/chatpage.h"
#include "chat/parlane.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {

// Closes every modal message box as soon as it shows, noting what it said.
class BoxCloser : public QObject
{
public:
    struct Seen
    {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        QList<QAbstractButton *>::size_type buttonCount;
        bool okButton;
        bool applicationModal;
    };

    BoxCloser()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_seen.append({box->text(), box->windowTitle(), box->icon(), box->buttons().size(),
                           box->button(QMessageBox::Ok) != nullptr,
                           box->windowModality() == Qt::ApplicationModal});
            box->button(QMessageBox::Ok)->click();
        });
        m_poll.start(10);
    }
    const QList<Seen> &seen() const { return m_seen; }

private:
    QTimer m_poll;
    QList<Seen> m_seen;
};

bool validUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)utf8.decode(bytes);
    return !utf8.hasError();
}

QList<QByteArray> containing(const QList<QByteArray> &lines, const QByteArray &part)
{
    QList<QByteArray> found;
    for (const QByteArray &line : lines) {
        if (line.contains(part))
            found.append(line);
    }
    return found;
}

} // namespace

class TestChatPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void startsLoggedOut();
    void connectJoinsAndLogsTheConversation();
    void kickShowsTheBoxThenReconnectContinuesTheLog();
    void lineBreaksInAMessageNeverBecomeCommands();
    void longMessageArrivesWholeInPieces();
    void remoteTextCannotFakeLinesOrMarkup();
    void keepAliveEveryFiveSecondsWithTheCurrentServerText();
    void serverKilledMidChat();

private:
    template<typename T> T *child(const char *name) const
    {
        return m_page->findChild<T *>(QLatin1String(name));
    }
    QString log() const { return child<RichTextBox>("rtfChat")->text(); }
    // Connects the page as nick, through the Connect button, and waits for the chat frame.
    bool connectPage(const QString &nick, const QString &server);
    void typeAndPressEnter(const QString &text);

    std::unique_ptr<NgircdServer> m_server;
    std::unique_ptr<RawIrcClient> m_alice;
    std::unique_ptr<ChatPage> m_page;
};

void TestChatPage::init()
{
    qputenv("HOPWISE_UPDATE_SERVER", "chat.hopwise.test:8081");
    m_server = std::make_unique<NgircdServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    // Alice is there first, so she operates the channel.
    m_alice = std::make_unique<RawIrcClient>();
    QVERIFY(m_alice->login(m_server->port(), "alice"));
    QVERIFY(m_alice->join("#Velmora"));
    m_page = std::make_unique<ChatPage>();
    m_page->resize(Twips::size(11775, 2655));
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestChatPage::cleanup()
{
    m_page.reset();
    m_alice.reset();
    m_server.reset();
}

bool TestChatPage::connectPage(const QString &nick, const QString &server)
{
    child<QLineEdit>("txtUsername")->setText(nick);
    child<QLineEdit>("txtIP")->setText(server);
    QTest::mouseClick(child<QPushButton>("cmdConnect"), Qt::LeftButton);
    return QTest::qWaitFor([this] { return child<QGroupBox>("fraChat")->isVisible(); }, 5000);
}

void TestChatPage::typeAndPressEnter(const QString &text)
{
    auto *box = child<QLineEdit>("txtMessage");
    box->setFocus();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void TestChatPage::controlsAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");

    QTest::newRow("fraLogin") << "fraLogin"
                              << "pageChat" << QRect(120, 360, 11535, 2175) << "";
    QTest::newRow("fraChat") << "fraChat"
                             << "pageChat" << QRect(120, 360, 11535, 2175) << "";
    QTest::newRow("Label29") << "Label29"
                             << "fraLogin" << QRect(4440, 360, 975, 255) << "Username:";
    QTest::newRow("txtUsername") << "txtUsername"
                                 << "fraLogin" << QRect(4440, 600, 1695, 285) << "";
    QTest::newRow("Label31") << "Label31"
                             << "fraLogin" << QRect(6240, 360, 975, 255) << "Channel:";
    QTest::newRow("txtChannel") << "txtChannel"
                                << "fraLogin" << QRect(6240, 600, 1695, 285) << "#Velmora";
    QTest::newRow("Label28") << "Label28"
                             << "fraLogin" << QRect(5280, 960, 1695, 255) << "Server IP:";
    QTest::newRow("txtIP") << "txtIP"
                           << "fraLogin" << QRect(5280, 1200, 1695, 285) << "chat.hopwise.test";
    QTest::newRow("cmdConnect") << "cmdConnect"
                                << "fraLogin" << QRect(5640, 1560, 975, 255) << "Connect";
    QTest::newRow("rtfChat") << "rtfChat"
                             << "fraChat" << QRect(120, 240, 9855, 1455) << "";
    QTest::newRow("txtMessage") << "txtMessage"
                                << "fraChat" << QRect(120, 1800, 8775, 285) << "";
    QTest::newRow("cmdSend") << "cmdSend"
                             << "fraChat" << QRect(9000, 1800, 975, 255) << "Send";
}

void TestChatPage::controlsAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    auto *w = m_page->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    QCOMPARE(w->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
    if (auto *label = qobject_cast<QLabel *>(w)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        QCOMPARE(edit->text(), text);
    } else if (auto *button = qobject_cast<QPushButton *>(w)) {
        QCOMPARE(button->text(), text);
    } else if (auto *frame = qobject_cast<QGroupBox *>(w)) {
        QCOMPARE(frame->title(), text);
    }
}

void TestChatPage::startsLoggedOut()
{
    QVERIFY(child<QGroupBox>("fraLogin")->isVisible());
    QVERIFY(!child<QGroupBox>("fraChat")->isVisible());
    QVERIFY(child<QLabel>("Label28")->alignment() & Qt::AlignHCenter);
    auto *tmrPong = child<QTimer>("tmrPong");
    QVERIFY(tmrPong);
    QVERIFY(!tmrPong->isActive());
    QCOMPARE(tmrPong->interval(), 5000);
    QVERIFY(child<Parlane>("Parlane"));
    QCOMPARE(log(), QString());
}

void TestChatPage::connectJoinsAndLogsTheConversation()
{
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!child<QGroupBox>("fraLogin")->isVisible());
    QVERIFY(child<QTimer>("tmrPong")->isActive());
    QVERIFY(!m_alice->waitForContaining(" JOIN :#Velmora").isEmpty());
    QCOMPARE(log(), QStringLiteral("You have joined #Velmora"));

    // By button, by Enter, and empty both ways.
    child<QLineEdit>("txtMessage")->setText(QStringLiteral("hello alice"));
    QTest::mouseClick(child<QPushButton>("cmdSend"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>("txtMessage")->text(), QString());
    typeAndPressEnter(QStringLiteral("typed, then Enter"));
    QCOMPARE(child<QLineEdit>("txtMessage")->text(), QString());
    QTest::mouseClick(child<QPushButton>("cmdSend"), Qt::LeftButton);
    typeAndPressEnter(QString());
    typeAndPressEnter(QStringLiteral("last"));

    QVERIFY(!m_alice->waitForContaining("PRIVMSG #Velmora :last").isEmpty());
    // The empty ones never reach the server: it would only refuse them.
    const QList<QByteArray> expectedSent = {
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :hello alice",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :typed, then Enter",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :last",
    };
    QCOMPARE(containing(m_alice->lines(), " PRIVMSG #Velmora"), expectedSent);

    m_alice->send("PRIVMSG #Velmora :hi bob, how are you?");
    m_alice->send("NOTICE #Velmora :a notice");
    m_alice->send("PRIVMSG bob :a private word");
    QTRY_VERIFY(log().endsWith(QLatin1String("alice: a private word")));

    const QString expected = QStringLiteral("You have joined #Velmora\n"
                                            "bob: hello alice\n"
                                            "bob: typed, then Enter\n"
                                            "bob: \n"
                                            "bob: \n"
                                            "bob: last\n"
                                            "alice: hi bob, how are you?\n"
                                            "alice: a notice\n"
                                            "alice: a private word");
    QCOMPARE(log(), expected);
    // Each line is a paragraph of its own; the last has no break after it.
    QTextDocument *doc = child<RichTextBox>("rtfChat")->document();
    QCOMPARE(doc->blockCount(), 9);
    QCOMPARE(doc->lastBlock().text(), QStringLiteral("alice: a private word"));
}

void TestChatPage::kickShowsTheBoxThenReconnectContinuesTheLog()
{
    BoxCloser closer;
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!m_alice->waitForContaining("bob!~bob@127.0.0.1 JOIN").isEmpty());
    typeAndPressEnter(QStringLiteral("I will behave"));
    QVERIFY(!m_alice->waitForContaining(":I will behave").isEmpty());

    // The channel spelled differently from how the page joined it.
    m_alice->send("KICK #VELMORA bob :out");
    QTRY_COMPARE(closer.seen().size(), 1);
    const BoxCloser::Seen box = closer.seen().first();
    QCOMPARE(box.text, QStringLiteral("You have been kicked, dont do what you did again!"));
    QCOMPARE(box.title, QStringLiteral("HopWise"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttonCount, 1);
    QVERIFY(box.okButton);
    QVERIFY(box.applicationModal);
    QTRY_VERIFY(child<QGroupBox>("fraLogin")->isVisible());
    QVERIFY(!child<QGroupBox>("fraChat")->isVisible());
    QVERIFY(child<QTimer>("tmrPong")->isActive());
    QCOMPARE(log(), QStringLiteral("You have joined #Velmora\nbob: I will behave"));

    QTest::mouseClick(child<QPushButton>("cmdConnect"), Qt::LeftButton);
    QTRY_VERIFY(child<QGroupBox>("fraChat")->isVisible());
    QCOMPARE(log(), QStringLiteral("You have joined #Velmora\nbob: I will behave"
                                   "You have joined #Velmora"));
    // Back in the channel on the new connection (its nick may carry a '_' while the old one
    // is still leaving).
    QVERIFY(!m_alice->waitForContaining(" JOIN :#Velmora").isEmpty());
    m_alice->send("PRIVMSG #Velmora :welcome back");
    QTRY_VERIFY(log().endsWith(QLatin1String("\nalice: welcome back")));
    QCOMPARE(closer.seen().size(), 1);
}

void TestChatPage::lineBreaksInAMessageNeverBecomeCommands()
{
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!m_alice->waitForContaining("bob!~bob@127.0.0.1 JOIN").isEmpty());
    child<QLineEdit>("txtMessage")->setText(QStringLiteral("first\r\nQUIT :gone\nPART #Velmora"));
    QTest::mouseClick(child<QPushButton>("cmdSend"), Qt::LeftButton);
    typeAndPressEnter(QStringLiteral("still here"));

    QVERIFY(!m_alice->waitForContaining("PRIVMSG #Velmora :still here").isEmpty());
    const QList<QByteArray> seen = containing(m_alice->lines(), ":bob!");
    const QList<QByteArray> expected = {
        ":bob!~bob@127.0.0.1 JOIN :#Velmora",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :first",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :QUIT :gone",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :PART #Velmora",
        ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :still here",
    };
    QCOMPARE(seen, expected);
}

void TestChatPage::longMessageArrivesWholeInPieces()
{
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!m_alice->waitForContaining("bob!~bob@127.0.0.1 JOIN").isEmpty());
    // 1,000 bytes of one-, two-, three- and four-byte characters.
    QString message;
    while (message.toUtf8().size() < 990)
        message += QString::fromUtf8("aé€😀");
    while (message.toUtf8().size() < 1000)
        message += QLatin1Char('z');
    QCOMPARE(message.toUtf8().size(), 1000);
    child<QLineEdit>("txtMessage")->setText(message);
    QTest::mouseClick(child<QPushButton>("cmdSend"), Qt::LeftButton);
    typeAndPressEnter(QStringLiteral("end"));
    QVERIFY(!m_alice->waitForContaining("PRIVMSG #Velmora :end").isEmpty());

    const QByteArray head = ":bob!~bob@127.0.0.1 PRIVMSG #Velmora :";
    QByteArray joined;
    int pieces = 0;
    for (const QByteArray &line : m_alice->lines()) {
        if (!line.startsWith(head) || line == head + "end")
            continue;
        QVERIFY(!line.contains("[CUT]"));
        QVERIFY(line.size() + 2 <= 512);
        QVERIFY(validUtf8(line));
        joined += line.mid(head.size());
        ++pieces;
    }
    QVERIFY(pieces >= 2);
    QCOMPARE(QString::fromUtf8(joined), message);
    QVERIFY(log().endsWith(QStringLiteral("bob: ") + message + QStringLiteral("\nbob: end")));
}

void TestChatPage::remoteTextCannotFakeLinesOrMarkup()
{
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!m_alice->waitForContaining("bob!~bob@127.0.0.1 JOIN").isEmpty());
    m_alice->send(
        QStringLiteral("PRIVMSG #Velmora :<b>bold</b> <img src=x>\u2029carol: fake line").toUtf8());
    m_alice->send("PRIVMSG #Velmora :{\\rtf1 \\par carol: fake}");
    QTRY_VERIFY(log().endsWith(QLatin1String("fake}")));
    QCOMPARE(log(), QStringLiteral("You have joined #Velmora\n"
                                   "alice: <b>bold</b> <img src=x> carol: fake line\n"
                                   "alice: {\\rtf1 \\par carol: fake}"));
    QTextDocument *doc = child<RichTextBox>("rtfChat")->document();
    QCOMPARE(doc->blockCount(), 3);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QVERIFY(!it.fragment().charFormat().isImageFormat());
            QCOMPARE(it.fragment().charFormat().fontWeight(),
                     doc->begin().begin().fragment().charFormat().fontWeight());
        }
    }
}

void TestChatPage::keepAliveEveryFiveSecondsWithTheCurrentServerText()
{
    // A scripted server sees the page's own lines, which a real one does not relay; it kicks
    // us, too, as the keep-alive goes on after a kick.
    BoxCloser closer;
    FakeIrcServer fake;
    QVERIFY(fake.listen());
    child<QLineEdit>("txtUsername")->setText(QStringLiteral("bob"));
    child<QLineEdit>("txtIP")->setText(fake.address());
    QTest::mouseClick(child<QPushButton>("cmdConnect"), Qt::LeftButton);
    QVERIFY(fake.waitForLine("NICK bob"));
    fake.welcome("bob");
    QTRY_VERIFY(child<QGroupBox>("fraChat")->isVisible());
    QVERIFY(fake.waitForLine("JOIN #Velmora"));
    fake.write(":bob!~bob@127.0.0.1 JOIN :#Velmora\r\n:op!~op@h KICK #Velmora bob :go\r\n");
    QTRY_VERIFY(child<QGroupBox>("fraLogin")->isVisible());
    QCOMPARE(closer.seen().size(), 1);

    const QByteArray first = "PONG " + fake.address().toUtf8();
    QVERIFY(fake.waitForLine(first, 8000));
    child<QLineEdit>("txtIP")->setText(QStringLiteral("irc.elsewhere.test\r\nQUIT"));
    QVERIFY(fake.waitForLine("PONG irc.elsewhere.testQUIT", 8000));
    QVERIFY(!fake.lines().contains("QUIT"));
}

void TestChatPage::serverKilledMidChat()
{
    QVERIFY(connectPage(QStringLiteral("bob"), m_server->address()));
    QVERIFY(!m_alice->waitForContaining("bob!~bob@127.0.0.1 JOIN").isEmpty());
    m_alice->send("PRIVMSG #Velmora :before the crash");
    QTRY_VERIFY(log().endsWith(QLatin1String("alice: before the crash")));

    QSignalSpy gone(child<Parlane>("Parlane"), &Parlane::Disconnected);
    m_server->kill();
    QVERIFY(gone.wait());

    typeAndPressEnter(QStringLiteral("anyone?"));
    m_page->frmMain_tmrPong_Timer();
    QVERIFY(log().endsWith(QLatin1String("alice: before the crash\nbob: anyone?")));
    QVERIFY(child<QGroupBox>("fraChat")->isVisible());

    // The way back: a new server, a new Connect from the login frame.
    NgircdServer again;
    QVERIFY(again.start());
    child<QGroupBox>("fraChat")->hide();
    child<QGroupBox>("fraLogin")->show();
    QVERIFY(connectPage(QStringLiteral("bob"), again.address()));
    QVERIFY(log().endsWith(QLatin1String("bob: anyone?You have joined #Velmora")));
}

HOPWISE_TEST_MAIN(TestChatPage)
#include "tst_chatpage.moc"
