#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A scripted server on 127.0.0.1 that records what a client sends and says whatever a test
// wants it to, including what no real server would.
class FakeIrcServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeIrcServer(QObject *parent = nullptr);

    bool listen();
    QString address() const;
    quint16 port() const { return m_server.serverPort(); }

    // The newest connection, and every line each connection sent (index = connection order).
    QTcpSocket *client() const { return m_clients.isEmpty() ? nullptr : m_clients.last().data(); }
    int connectionCount() const { return int(m_clients.size()); }
    QList<QByteArray> linesFrom(int connection) const { return m_lines.value(connection); }
    QList<QByteArray> lines() const { return m_lines.value(m_lines.size() - 1); }
    bool waitForLine(const QByteArray &line, int ms = 5000) const;
    bool waitForConnection(int count, int ms = 5000) const;

    void write(const QByteArray &bytes);
    // Answers a registration with the welcome.
    void welcome(const QByteArray &nick);

private:
    void onNewConnection();

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_clients;
    QList<QList<QByteArray>> m_lines;
    QList<QByteArray> m_buffers;
};
