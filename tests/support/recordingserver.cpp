#include "recordingserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

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

QSslCertificate loopbackCertificate()
{
    return QSslCertificate(loopbackPem(), QSsl::Pem);
}

} // namespace

RecordingServer::RecordingServer(QObject *parent, Transport transport)
    : QObject(parent)
    , m_transport(transport)
{
    m_fallback.status = 404;
    m_fallback.body = "not found";
    if (transport == Tls) {
        auto *server = new QSslServer(this);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(loopbackCertificate());
        tls.setPrivateKey(QSslKey(loopbackPem(), QSsl::Ec, QSsl::Pem));
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
    tls.addCaCertificate(loopbackCertificate());
    QSslConfiguration::setDefaultConfiguration(tls);
}

RecordingServer::~RecordingServer()
{
    // A client such as a web view may still hold a connection when the test ends: the server
    // closes it on the way out, and its handlers must not run on a half-destroyed recorder.
    const auto sockets = m_server->findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets)
        socket->disconnect(this);
    delete m_server;
}

QString RecordingServer::authority() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QByteArray RecordingServer::origin() const
{
    return (m_transport == Tls ? "https://" : "http://") + authority().toLatin1();
}

void RecordingServer::setResponse(const QByteArray &path, const Response &response)
{
    m_responses.insert(path, response);
}

void RecordingServer::setResponse(const QByteArray &path, const QByteArray &body, int status)
{
    setResponse(path, Response(status, body));
}

bool RecordingServer::waitForRequests(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_requests.size() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return m_requests.size() >= count;
}

int RecordingServer::release(const QByteArray &path)
{
    int sent = 0;
    for (int i = 0; i < m_held.size();) {
        if (m_held[i].first != path) {
            ++i;
            continue;
        }
        const std::function<void()> send = m_held.takeAt(i).second;
        send();
        ++sent;
    }
    return sent;
}

int RecordingServer::heldCount(const QByteArray &path) const
{
    return int(std::count_if(m_held.cbegin(), m_held.cend(),
                             [&path](const auto &held) { return held.first == path; }));
}

void RecordingServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void RecordingServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();

    Request request;
    request.line = lines.value(0).trimmed();
    request.target = request.line.split(' ').value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
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
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
        reply += "Content-Type: " + response.contentType + "\r\n";
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        reply += response.headers;
        reply += "Connection: close\r\n\r\n";
        if (response.trickleMs <= 0) {
            socket->write(reply + response.body);
            socket->disconnectFromHost();
            return;
        }
        socket->write(reply);
        auto *drip = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        QObject::connect(drip, &QTimer::timeout, socket,
                         [socket, drip, sent, body = response.body] {
                             if (*sent >= body.size()) {
                                 drip->stop();
                                 socket->disconnectFromHost();
                                 return;
                             }
                             socket->write(body.mid((*sent)++, 1));
                         });
        drip->start(response.trickleMs);
    };
    if (response.held)
        m_held.append({request.path(),
                       [this, socket = QPointer<QTcpSocket>(socket), send, path = request.path()] {
                           if (!socket)
                               return;
                           connect(socket, &QTcpSocket::disconnected, this,
                                   [this, path] { emit answerSent(path); });
                           send();
                       }});
    else if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, send);
    else
        send();
}
