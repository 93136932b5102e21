#pragma once

#include "chat/irclinereader.h"

#include <QAbstractSocket>
#include <QHash>
#include <QObject>
#include <QString>

class QTcpSocket;

// The chat control: an IRC client for one user on one server, driven by the chat page through
// Nick, Server, Connect, JoinChannel, SendMessage and SendRaw, and reporting back through its
// signals. Nothing the caller passes reaches the server as a line break or a NUL, every line
// sent fits into the protocol's 512 bytes, and a failed or lost connection is never more than
// a missing signal.
class Parlane : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Nick READ Nick WRITE setNick)
    Q_PROPERTY(QString Server READ Server WRITE setServer)
public:
    // Most bytes read from the socket in one go, so that a flooding server cannot keep the
    // event loop busy for long.
    static constexpr qint64 ReadChunkBytes = 64 * 1024;

    explicit Parlane(QObject *parent = nullptr);
    ~Parlane() override;

    QString Nick() const { return m_nick; }
    void setNick(const QString &nick) { m_nick = nick; }
    // "host" or "host:port"; read at every Connect.
    QString Server() const { return m_server; }
    void setServer(const QString &server) { m_server = server; }

    // Opens a connection to Server and registers as Nick; a connection still open is closed
    // first. Connected follows once the server has welcomed us.
    void Connect();
    void JoinChannel(const QString &channel);
    // One PRIVMSG per line of the text, more when a line is too long for one.
    void SendMessage(const QString &target, const QString &text);
    // The line without its breaks, cut to what fits into one protocol line.
    void SendRaw(const QString &line);

    bool isRegistered() const { return m_registered; }
    // The nick the server knows us by (it differs from Nick when that was taken).
    QString currentNick() const { return m_currentNick; }
    QAbstractSocket::SocketState state() const;

signals:
    void Connected();
    void MessageReceived(const QString &nick, const QString &user, const QString &host,
                         const QString &target, const QString &text);
    void Kicked(const QString &channel, const QString &kicker, const QString &kickerUser,
                const QString &kickerHost, const QString &nick, const QString &reason);
    // The connection ended or could not be made.
    void Disconnected();
    // Every line the server sent, decoded, before it is acted on.
    void LineReceived(const QString &line);

private:
    void onSocketConnected();
    void onReadyRead();
    void onSocketGone();
    void processLines();
    void handleLine(const QByteArray &raw);
    void closeConnection();
    bool sendLine(const QByteArray &line);
    void sendNick(const QString &nick);
    void tryAnotherNick(bool chosenIsInvalid);
    int relayPrefixBytes() const;

    QString m_nick;
    QString m_server;
    QTcpSocket *m_socket = nullptr;
    IrcLineReader m_reader;
    quint64 m_generation = 0;
    bool m_registered = false;
    bool m_goneReported = false;
    QString m_currentNick;
    QString m_triedNick;
    int m_nickAttempts = 0;
    // Our own "nick!user@host" as the server relays it, once known.
    QString m_selfPrefix;
    // Channels we are in: folded name to the name as we joined it.
    QHash<QString, QString> m_channels;
};
