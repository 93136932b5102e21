#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <functional>

// A second client in the channel, speaking the protocol by hand, to see what the server
// relays and to act as the other users (talk, kick).
class RawIrcClient : public QObject
{
    Q_OBJECT
public:
    explicit RawIrcClient(QObject *parent = nullptr);

    // Connects and registers; true once the server welcomed us.
    bool login(quint16 port, const QByteArray &nick);
    // Joins and waits for the end of the names list.
    bool join(const QByteArray &channel);
    void send(const QByteArray &line);

    // Waits for a line matching the predicate (looking at lines not yet consumed) and consumes
    // every line up to it. Empty when none came in time.
    QByteArray waitFor(const std::function<bool(const QByteArray &)> &match, int ms = 5000);
    QByteArray waitForContaining(const QByteArray &part, int ms = 5000);
    // PRIVMSG texts to the channel not consumed yet.
    QList<QByteArray> unconsumedMessages(const QByteArray &channel) const;
    // Every line received, consumed or not, without line ends.
    const QList<QByteArray> &lines() const { return m_lines; }

    QTcpSocket &socket() { return m_socket; }

private:
    void onReadyRead();

    QTcpSocket m_socket;
    QByteArray m_buffer;
    QList<QByteArray> m_lines;
    int m_consumed = 0;
};
