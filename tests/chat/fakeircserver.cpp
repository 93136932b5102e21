#include "fakeircserver.h"

#include <QDeadlineTimer>
#include <QTest>

FakeIrcServer::FakeIrcServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeIrcServer::onNewConnection);
}

bool FakeIrcServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString FakeIrcServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

bool FakeIrcServer::waitForLine(const QByteArray &line, int ms) const
{
    const QDeadlineTimer deadline(ms);
    while (!lines().contains(line)) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

bool FakeIrcServer::waitForConnection(int count, int ms) const
{
    const QDeadlineTimer deadline(ms);
    while (connectionCount() < count) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

void FakeIrcServer::write(const QByteArray &bytes)
{
    if (QTcpSocket *c = client()) {
        c->write(bytes);
        c->flush();
    }
}

void FakeIrcServer::welcome(const QByteArray &nick)
{
    write(":fake.server 001 " + nick + " :Welcome " + nick + "!~u@127.0.0.1\r\n");
}

void FakeIrcServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const int index = int(m_clients.size());
        m_clients.append(socket);
        m_lines.append(QList<QByteArray>());
        m_buffers.append(QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
            m_buffers[index] += socket->readAll();
            int lf;
            while ((lf = m_buffers[index].indexOf('\n')) >= 0) {
                QByteArray line = m_buffers[index].left(lf);
                m_buffers[index].remove(0, lf + 1);
                if (line.endsWith('\r'))
                    line.chop(1);
                m_lines[index].append(line);
            }
        });
    }
}
