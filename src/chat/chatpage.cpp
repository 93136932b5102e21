#include "chat/chatpage.h"

#include "chat/ircmessage.h"
#include "chat/parlane.h"
#include "controls/design.h"
#include "controls/keyascii.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "core/endpoints.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

const char *const ChatPage::KickedText = "You have been kicked, dont do what you did again!";
const char *const ChatPage::KickedTitle = "HopWise";

namespace {

const QString LineBreak = QStringLiteral("\r\n");

QGroupBox *makeFrame(QWidget *parent, const char *name)
{
    auto *frame = new QGroupBox(parent);
    frame->setObjectName(QLatin1String(name));
    Twips::place(frame, 120, 360, 11535, 2175);
    return frame;
}

} // namespace

ChatPage::ChatPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageChat"));
    setFont(Design::font());

    fraLogin = makeFrame(this, "fraLogin");
    fraLogin->setAccessibleName(tr("Chat login"));
    Label29 = Design::create<QLabel>(fraLogin, "Label29", QStringLiteral("Username:"), 4440, 360,
                                     975, 255);
    txtUsername =
        Design::create<QLineEdit>(fraLogin, "txtUsername", QString(), 4440, 600, 1695, 285);
    txtUsername->setAccessibleName(tr("Username"));
    Label31 = Design::create<QLabel>(fraLogin, "Label31", QStringLiteral("Channel:"), 6240, 360,
                                     975, 255);
    txtChannel = Design::create<QLineEdit>(fraLogin, "txtChannel", QStringLiteral("#Velmora"), 6240,
                                           600, 1695, 285);
    txtChannel->setAccessibleName(tr("Channel"));
    Label28 = Design::create<QLabel>(fraLogin, "Label28", QStringLiteral("Server IP:"), 5280, 960,
                                     1695, 255);
    Label28->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    txtIP = Design::create<QLineEdit>(fraLogin, "txtIP", Endpoints::current().updateHost(), 5280,
                                      1200, 1695, 285);
    txtIP->setAccessibleName(tr("Server IP"));
    cmdConnect = Design::create<QPushButton>(fraLogin, "cmdConnect", QStringLiteral("Connect"),
                                             5640, 1560, 975, 255);
    Label29->setBuddy(txtUsername);
    Label31->setBuddy(txtChannel);
    Label28->setBuddy(txtIP);

    Parlane = new ::Parlane(fraLogin);
    Parlane->setObjectName(QStringLiteral("Parlane"));

    fraChat = makeFrame(this, "fraChat");
    fraChat->setAccessibleName(tr("Chat"));
    fraChat->hide();
    rtfChat = new RichTextBox(fraChat);
    rtfChat->setObjectName(QStringLiteral("rtfChat"));
    rtfChat->setAccessibleName(tr("Chat log"));
    // The log is a record of the channel; what the user types goes into the message box.
    rtfChat->setReadOnly(true);
    rtfChat->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Twips::place(rtfChat, 120, 240, 9855, 1455);
    txtMessage = Design::create<QLineEdit>(fraChat, "txtMessage", QString(), 120, 1800, 8775, 285);
    txtMessage->setAccessibleName(tr("Message"));
    txtMessage->installEventFilter(this);
    cmdSend = Design::create<QPushButton>(fraChat, "cmdSend", QStringLiteral("Send"), 9000, 1800,
                                          975, 255);

    tmrPong = new QTimer(this);
    tmrPong->setObjectName(QStringLiteral("tmrPong"));
    tmrPong->setInterval(5000);

    m_logFlush = new QTimer(this);
    m_logFlush->setSingleShot(true);
    m_logFlush->setInterval(0);

    connect(cmdConnect, &QPushButton::clicked, this, &ChatPage::frmMain_cmdConnect_Click);
    connect(cmdSend, &QPushButton::clicked, this, &ChatPage::frmMain_cmdSend_Click);
    connect(tmrPong, &QTimer::timeout, this, &ChatPage::frmMain_tmrPong_Timer);
    connect(m_logFlush, &QTimer::timeout, this, &ChatPage::flushLog);
    connect(Parlane, &::Parlane::Connected, this, &ChatPage::frmMain_Parlane_Connected);
    connect(Parlane, &::Parlane::MessageReceived, this, &ChatPage::frmMain_Parlane_MessageReceived);
    connect(Parlane, &::Parlane::Kicked, this, &ChatPage::frmMain_Parlane_Kicked);
}

void ChatPage::frmMain_cmdConnect_Click()
{
    Parlane->setNick(txtUsername->text());
    Parlane->setServer(txtIP->text());
    Parlane->Connect();
}

void ChatPage::frmMain_Parlane_Connected()
{
    fraLogin->hide();
    Parlane->JoinChannel(txtChannel->text());
    JoinedChannel = txtChannel->text();
    fraChat->show();
    tmrPong->start();
    appendToLog(QStringLiteral("You have joined ") + JoinedChannel);
}

void ChatPage::frmMain_Parlane_MessageReceived(const QString &sender, const QString &,
                                               const QString &, const QString &,
                                               const QString &text)
{
    queueForLog(LineBreak + IrcMessage::displayText(sender) + QStringLiteral(": ") +
                IrcMessage::displayText(text));
}

void ChatPage::frmMain_Parlane_Kicked(const QString &, const QString &, const QString &,
                                      const QString &, const QString &, const QString &)
{
    // Lines that came before the kick belong above anything logged while the box is open.
    flushLog();
    const QPointer<ChatPage> self(this);
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(KickedTitle),
                    QString::fromLatin1(KickedText), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgKicked"));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (!self)
        return;
    fraChat->hide();
    fraLogin->show();
}

void ChatPage::frmMain_cmdSend_Click()
{
    appendToLog(LineBreak + txtUsername->text() + QStringLiteral(": ") + txtMessage->text());
    Parlane->SendMessage(txtChannel->text(), txtMessage->text());
    txtMessage->setText(QString());
}

void ChatPage::frmMain_txtMessage_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        frmMain_cmdSend_Click();
}

void ChatPage::frmMain_tmrPong_Timer()
{
    Parlane->SendRaw(QStringLiteral("PONG ") + txtIP->text());
}

bool ChatPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtMessage && event->type() == QEvent::KeyPress) {
        if (const std::optional<qint16> code = keyAscii(*static_cast<QKeyEvent *>(event)))
            frmMain_txtMessage_KeyPress(*code);
    }
    return QWidget::eventFilter(watched, event);
}

void ChatPage::appendToLog(const QString &text)
{
    flushLog();
    rtfChat->setSelStart(int(rtfChat->text().length()));
    rtfChat->setSelText(text);
}

void ChatPage::queueForLog(const QString &text)
{
    m_pendingLog += text;
    if (!m_logFlush->isActive())
        m_logFlush->start();
}

void ChatPage::flushLog()
{
    m_logFlush->stop();
    if (m_pendingLog.isEmpty())
        return;
    const QString text = std::exchange(m_pendingLog, QString());
    rtfChat->setSelStart(int(rtfChat->text().length()));
    rtfChat->setSelText(text);
}
