#pragma once

#include <QString>
#include <QWidget>

class Parlane;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class RichTextBox;

// The "Chat" page of the main window's tools tab control. Controls are placed in twips relative
// to the tab control, which this page covers.
class ChatPage : public QWidget
{
    Q_OBJECT
public:
    static const char *const KickedText;
    static const char *const KickedTitle;

    explicit ChatPage(QWidget *parent = nullptr);

public slots:
    void frmMain_cmdConnect_Click();
    void frmMain_Parlane_Connected();
    void frmMain_Parlane_MessageReceived(const QString &sender, const QString &user,
                                         const QString &host, const QString &target,
                                         const QString &text);
    void frmMain_Parlane_Kicked(const QString &channel, const QString &kicker,
                                const QString &kickerUser, const QString &kickerHost,
                                const QString &nick, const QString &reason);
    void frmMain_cmdSend_Click();
    void frmMain_txtMessage_KeyPress(int keyAscii);
    void frmMain_tmrPong_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void appendToLog(const QString &text);
    void queueForLog(const QString &text);
    void flushLog();

    QGroupBox *fraLogin;
    QLabel *Label29;
    QLineEdit *txtUsername;
    QLabel *Label31;
    QLineEdit *txtChannel;
    QLabel *Label28;
    QLineEdit *txtIP;
    QPushButton *cmdConnect;
    ::Parlane *Parlane;
    QGroupBox *fraChat;
    RichTextBox *rtfChat;
    QLineEdit *txtMessage;
    QPushButton *cmdSend;
    QTimer *tmrPong;

    QString JoinedChannel;

    // Received lines not yet in the log: a burst from the server becomes one insertion.
    QString m_pendingLog;
    QTimer *m_logFlush;
};
