#include "chat/parlane.h"

#include "chat/ircmessage.h"
#include "chat/ircoutgoing.h"
#include "chat/serveraddress.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Bytes of a relayed line's prefix we assume while our own is not known yet: the longest user
// name with the server's "~" and a host name of the usual maximum length.
constexpr int AssumedUserBytes = 11;
constexpr int AssumedHostBytes = 63;
constexpr int MaxNickAttempts = 8;
// How long a replaced connection may take to say goodbye before it is cut.
constexpr int CloseGraceMs = 3000;

QString userNameFor(const QString &nick)
{
    QString user;
    for (const QChar c : nick) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            user.append(c.toLower());
        if (user.size() == 9)
            break;
    }
    return user.isEmpty() || !user.at(0).isLetter() ? QStringLiteral("hopwise") : user;
}

bool sameName(const QString &a, const QString &b)
{
    return IrcMessage::foldCase(a) == IrcMessage::foldCase(b);
}

} // namespace

Parlane::Parlane(QObject *parent)
    : QObject(parent)
{}

Parlane::~Parlane()
{
    // The window holding the chat is unloaded: the server hears the chat leave. The socket
    // outlives us just long enough to say so.
    if (m_socket) {
        m_socket->setParent(nullptr);
        closeConnection();
    }
    // A socket dying with us must not call back into a half-destroyed object.
    for (QTcpSocket *socket : findChildren<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly))
        socket->disconnect(this);
}

QAbstractSocket::SocketState Parlane::state() const
{
    return m_socket ? m_socket->state() : QAbstractSocket::UnconnectedState;
}

void Parlane::Connect()
{
    closeConnection();
    ++m_generation;
    m_reader.clear();
    m_registered = false;
    m_goneReported = false;
    m_currentNick.clear();
    m_triedNick.clear();
    m_nickAttempts = 0;
    m_selfPrefix.clear();
    m_channels.clear();

    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(ReadChunkBytes);
    connect(m_socket, &QTcpSocket::connected, this, &Parlane::onSocketConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &Parlane::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &Parlane::onSocketGone);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &Parlane::onSocketGone);

    const ServerAddress address = ServerAddress::parse(m_server);
    if (!address.isValid()) {
        // Reported from the event loop, as a failed lookup would be.
        const quint64 generation = m_generation;
        QTimer::singleShot(0, m_socket, [this, generation] {
            if (generation == m_generation)
                onSocketGone();
        });
        return;
    }
    m_socket->connectToHost(address.host, address.port);
}

void Parlane::JoinChannel(const QString &channel)
{
    const QString name = IrcOutgoing::middleParam(channel);
    if (!name.isEmpty())
        sendLine("JOIN " + name.toUtf8());
}

void Parlane::SendMessage(const QString &target, const QString &text)
{
    if (state() != QAbstractSocket::ConnectedState)
        return;
    for (const QByteArray &line : IrcOutgoing::privmsgLines(target, text, relayPrefixBytes()))
        sendLine(line);
}

void Parlane::SendRaw(const QString &line)
{
    const QByteArray bytes = IrcOutgoing::withoutBreaks(line).toUtf8();
    if (!bytes.isEmpty())
        sendLine(bytes);
}

void Parlane::onSocketConnected()
{
    const QString nick = IrcOutgoing::middleParam(m_nick);
    if (nick.isEmpty())
        tryAnotherNick(true);
    else
        sendNick(nick);
    sendLine("USER " + userNameFor(nick).toUtf8() + " 0 * :HopWise");
}

void Parlane::onReadyRead()
{
    if (!m_socket)
        return;
    // At most ReadChunkBytes: the socket's buffer is bounded, the rest waits in the kernel.
    m_reader.append(m_socket->readAll());
    processLines();
}

void Parlane::onSocketGone()
{
    if (m_goneReported || !m_socket)
        return;
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        return; // an error that leaves the connection up
    m_goneReported = true;
    m_registered = false;
    m_channels.clear();
    emit Disconnected();
}

void Parlane::processLines()
{
    // A handler of one of our signals may run a nested event loop (a modal box) that reads the
    // next lines, or may call Connect(), or delete us: the lines are taken one at a time from
    // the shared reader so their order holds, and the loop stops once the connection changed.
    const QPointer<Parlane> self(this);
    const quint64 generation = m_generation;
    QByteArray line;
    while (m_reader.takeLine(&line)) {
        handleLine(line);
        if (!self || m_generation != generation)
            return;
    }
}

void Parlane::handleLine(const QByteArray &raw)
{
    const QPointer<Parlane> self(this);
    const quint64 generation = m_generation;
    emit LineReceived(IrcMessage::decode(raw));
    if (!self || m_generation != generation)
        return;

    const IrcMessage m = IrcMessage::parse(raw);
    if (!m.isValid())
        return;
    const QString &command = m.command;

    if (command == QLatin1String("PING")) {
        const QByteArray token = m.param(0).toUtf8();
        sendLine(token.isEmpty() ? QByteArray("PONG") : "PONG :" + token);
    } else if (m.is(IrcReply::Welcome)) {
        if (m_registered)
            return;
        m_registered = true;
        m_currentNick = m.param(0);
        const QString welcome = m.params.value(m.params.size() - 1);
        const QString last = welcome.section(QLatin1Char(' '), -1);
        if (last.startsWith(m_currentNick + QLatin1Char('!')) && last.contains(QLatin1Char('@')))
            m_selfPrefix = last;
        emit Connected();
    } else if (m.is(IrcReply::NicknameInUse) || m.is(IrcReply::NickCollision)) {
        if (!m_registered)
            tryAnotherNick(false);
    } else if (m.is(IrcReply::NoNicknameGiven) || m.is(IrcReply::ErroneousNickname)) {
        if (!m_registered)
            tryAnotherNick(true);
    } else if (command == QLatin1String("NICK")) {
        if (m.fromUser() && sameName(m.nick, m_currentNick)) {
            m_currentNick = m.param(0);
            m_selfPrefix = m_currentNick + QLatin1Char('!') + m.user + QLatin1Char('@') + m.host;
        }
    } else if (command == QLatin1String("JOIN")) {
        if (m.fromUser() && sameName(m.nick, m_currentNick)) {
            const QString channel = m.param(0);
            m_channels.insert(IrcMessage::foldCase(channel), channel);
            m_selfPrefix = m.prefix;
        }
    } else if (command == QLatin1String("PART")) {
        if (m.fromUser() && sameName(m.nick, m_currentNick))
            m_channels.remove(IrcMessage::foldCase(m.param(0)));
    } else if (command == QLatin1String("KICK")) {
        const QString victim = m.param(1);
        if (!m_registered || !sameName(victim, m_currentNick))
            return;
        // The server may spell the channel as its creator did; report it as we joined it.
        const QString channel = m_channels.take(IrcMessage::foldCase(m.param(0)));
        emit Kicked(channel.isEmpty() ? m.param(0) : channel, m.nick, m.user, m.host, victim,
                    m.param(2));
    } else if (command == QLatin1String("PRIVMSG") || command == QLatin1String("NOTICE")) {
        if (!m.fromUser() || m.params.size() < 2)
            return;
        QString text = m.param(1);
        if (text.startsWith(QChar(1))) {
            // Of the client-to-client requests only an action is a message; the delimiters go.
            text = text.mid(1);
            if (text.endsWith(QChar(1)))
                text.chop(1);
            if (text != QLatin1String("ACTION") && !text.startsWith(QLatin1String("ACTION ")))
                return;
        }
        emit MessageReceived(m.nick, m.user, m.host, m.param(0), text);
    }
}

void Parlane::closeConnection()
{
    if (!m_socket)
        return;
    QTcpSocket *old = m_socket;
    m_socket = nullptr;
    old->disconnect(this);
    if (old->state() == QAbstractSocket::ConnectedState) {
        old->write("QUIT\r\n");
        // Out now: the program may be ending with the window that closed the chat.
        old->flush();
        old->disconnectFromHost();
    } else {
        old->abort();
    }
    if (old->state() == QAbstractSocket::UnconnectedState) {
        old->deleteLater();
        return;
    }
    connect(old, &QAbstractSocket::disconnected, old, &QObject::deleteLater);
    QTimer::singleShot(CloseGraceMs, old, [old] {
        old->abort();
        old->deleteLater();
    });
}

bool Parlane::sendLine(const QByteArray &line)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    QByteArray out = IrcOutgoing::truncateUtf8(line, IrcOutgoing::MaxContentBytes);
    out.append("\r\n");
    return m_socket->write(out) == out.size();
}

void Parlane::sendNick(const QString &nick)
{
    m_triedNick = nick;
    m_currentNick = nick;
    sendLine("NICK " + nick.toUtf8());
}

void Parlane::tryAnotherNick(bool chosenIsInvalid)
{
    if (++m_nickAttempts > MaxNickAttempts) {
        // The server keeps refusing; give up rather than loop.
        if (m_socket)
            m_socket->disconnectFromHost();
        return;
    }
    const QString chosen = IrcOutgoing::middleParam(m_nick);
    const QString digits = QString::number(QRandomGenerator::global()->bounded(1000, 10000));
    QString next;
    if (chosenIsInvalid || chosen.isEmpty())
        next = QStringLiteral("Guest") + digits;
    else if (m_nickAttempts <= 2)
        next = m_triedNick + QLatin1Char('_');
    else
        next = chosen.left(5) + digits;
    sendNick(next);
}

int Parlane::relayPrefixBytes() const
{
    if (!m_selfPrefix.isEmpty())
        return 1 + int(m_selfPrefix.toUtf8().size()) + 1;
    const int nick = int(m_currentNick.toUtf8().size());
    return 1 + nick + 1 + AssumedUserBytes + 1 + AssumedHostBytes + 1;
}
