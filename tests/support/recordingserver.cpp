#include "recordingserver.h"

#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// The key and certificate of loopback-tls.pem are for tests only, valid from 2000 to 2126 for
// 127.0.0.1 and localhost. The key is public: nothing but a test may trust it.
QByteArray loopbackPem()
{
    QFile file(QStringLiteral(LOOPBACK_TLS_PEM));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("RecordingServer: cannot read %s", LOOPBACK_TLS_PEM);
    return file.readAll();
}

} // namespace

RecordingServer::RecordingServer(QObject *parent, Transport transport)
    : QObject(parent)
    , m_transport(transport)
    , m_fallback(404, "not found")
{
    if (transport == Tls) {
        auto *server = new QSslServer(this);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(loopbackPem()));
        tls.setPrivateKey(QSslKey(loopbackPem(), QSsl::Ec));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    // A TLS connection is pending only once its handshake is done, which newConnection precedes.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this,
            &RecordingServer::onNewConnection);
    connect(m_server, &QTcpServer::newConnection, this, &RecordingServer::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("RecordingServer: cannot listen on 127.0.0.1");
}

void RecordingServer::trustLoopbackCertificate()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificate(QSslCertificate(loopbackPem()));
    QSslConfiguration::setDefaultConfiguration(tls);
}

RecordingServer::~RecordingServer()
{
    // A client such as a web view may still hold a connection when the test ends: the server
    // closes it on the way out, and its handlers must not run on a half-destroyed recorder.
    for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
        socket->disconnect(this);
    delete m_server;
}

bool RecordingServer::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([this, count] { return m_requests.size() >= count; }, timeoutMs);
}

int RecordingServer::release(const QByteArray &path)
{
    const QList<std::function<void()>> held = m_held.take(path);
    for (const std::function<void()> &send : held)
        send();
    return int(held.size());
}

void RecordingServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, buffer = QByteArray()]() mutable { onReadyRead(socket, buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void RecordingServer::onReadyRead(QTcpSocket *socket, QByteArray &buffer)
{
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();

    Request request;
    request.line = lines.value(0).trimmed();
    request.target = request.line.split(' ').value(1);
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "host")
            request.host = line.mid(colon + 1).trimmed();
    }
    m_requests.append(request);
    emit requestReceived(request);

    const Response response = m_responses.value(request.path(), m_fallback);
    if (response.hang)
        return;
    auto send = [socket, response] {
        socket->write("HTTP/1.1 " + QByteArray::number(response.status) +
                      " X\r\nContent-Type: " + response.contentType +
                      "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n" +
                      response.headers + "Connection: close\r\n\r\n");
        if (response.trickleMs <= 0) {
            socket->write(response.body);
            socket->disconnectFromHost();
            return;
        }
        auto *drip = new QTimer(socket);
        QObject::connect(drip, &QTimer::timeout, socket,
                         [socket, drip, sent = qsizetype(0), body = response.body]() mutable {
                             if (sent < body.size()) {
                                 socket->write(body.mid(sent++, 1));
                                 return;
                             }
                             drip->stop();
                             socket->disconnectFromHost();
                         });
        drip->start(response.trickleMs);
    };
    if (response.held)
        m_held[request.path()].append(
            [this, socket = QPointer<QTcpSocket>(socket), send, path = request.path()] {
                if (!socket)
                    return;
                connect(socket, &QTcpSocket::disconnected, this,
                        [this, path] { emit answerSent(path); });
                send();
            });
    else if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, send);
    else
        send();
}
