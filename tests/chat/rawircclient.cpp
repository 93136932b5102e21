#include "rawircclient.h"

#include <QDeadlineTimer>
#include <QTest>

RawIrcClient::RawIrcClient(QObject *parent)
    : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &RawIrcClient::onReadyRead);
}

bool RawIrcClient::login(quint16 port, const QByteArray &nick)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!m_socket.waitForConnected(5000))
        return false;
    send("NICK " + nick);
    send("USER " + nick + " 0 * :raw test client");
    return !waitFor([](const QByteArray &l) { return l.contains(" 001 "); }).isEmpty() &&
           !waitFor([](const QByteArray &l) {
                return l.contains(" 376 ") || l.contains(" 422 ");
            }).isEmpty();
}

bool RawIrcClient::join(const QByteArray &channel)
{
    send("JOIN " + channel);
    return !waitFor([](const QByteArray &l) { return l.contains(" 366 "); }).isEmpty();
}

void RawIrcClient::send(const QByteArray &line)
{
    m_socket.write(line + "\r\n");
    m_socket.flush();
}

QByteArray RawIrcClient::waitFor(const std::function<bool(const QByteArray &)> &match, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        for (int i = m_consumed; i < m_lines.size(); ++i) {
            if (match(m_lines[i])) {
                m_consumed = i + 1;
                return m_lines[i];
            }
        }
        if (deadline.hasExpired())
            return QByteArray();
        QTest::qWait(5);
    }
}

QByteArray RawIrcClient::waitForContaining(const QByteArray &part, int ms)
{
    return waitFor([part](const QByteArray &l) { return l.contains(part); }, ms);
}

QList<QByteArray> RawIrcClient::unconsumedMessages(const QByteArray &channel) const
{
    QList<QByteArray> texts;
    const QByteArray marker = " PRIVMSG " + channel + " :";
    for (int i = m_consumed; i < m_lines.size(); ++i) {
        const int at = m_lines[i].indexOf(marker);
        if (at >= 0)
            texts.append(m_lines[i].mid(at + marker.size()));
    }
    return texts;
}

void RawIrcClient::onReadyRead()
{
    m_buffer += m_socket.readAll();
    int lf;
    while ((lf = m_buffer.indexOf('\n')) >= 0) {
        QByteArray line = m_buffer.left(lf);
        m_buffer.remove(0, lf + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("PING "))
            send("PONG " + line.mid(5));
        m_lines.append(line);
    }
}
