#pragma once

#include <QHash>
#include <QTcpServer>

#include <functional>

// A small HTTP/1.x server on 127.0.0.1 that records every request exactly as it arrived (request
// line and Host header) and answers from a table of canned responses keyed by path.
class RecordingServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray target; // the request target exactly as sent: path and query
        QByteArray host;   // the Host header
        QByteArray line;   // the whole request line
        QByteArray path() const { return target.split('?').first(); }
    };
    struct Response
    {
        // Tests brace-initialise the first five fields; the rest keep their defaults.
        Response(int status_ = 200, QByteArray body_ = {}, QByteArray contentType_ = "text/plain",
                 int delayMs_ = 0, bool hang_ = false)
            : status(status_)
            , body(std::move(body_))
            , contentType(std::move(contentType_))
            , delayMs(delayMs_)
            , hang(hang_)
        {}
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        int delayMs = 0;
        bool hang = false;  // never answer
        int trickleMs = 0;  // sends the body one byte every trickleMs after the headers
        QByteArray headers; // further header lines, each ending in "\r\n"
        bool held = false;  // answered only when the test releases its path
    };

    enum Transport
    {
        Plain,
        Tls
    };
    // Tls answers over TLS with the loopback certificate (see trustLoopbackCertificate).
    explicit RecordingServer(QObject *parent = nullptr, Transport transport = Plain);
    ~RecordingServer() override;

    quint16 port() const { return m_server->serverPort(); }
    QString authority() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>"
    QByteArray origin() const
    {
        return (m_transport == Tls ? "https://" : "http://") + authority().toLatin1();
    }

    // Makes this process, and only it, trust the certificate a Tls server shows: it names
    // 127.0.0.1 and localhost.
    static void trustLoopbackCertificate();

    // Answers requests whose path (without the query) is `path`.
    void setResponse(const QByteArray &path, const Response &response)
    {
        m_responses.insert(path, response);
    }
    void setResponse(const QByteArray &path, const QByteArray &body, int status = 200)
    {
        setResponse(path, Response(status, body));
    }
    // Answers every other request; by default 404.
    void setFallback(const Response &response) { m_fallback = response; }

    QList<Request> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Sends the answers held for `path` so far, in the order their requests came; returns how many.
    int release(const QByteArray &path);
    int heldCount(const QByteArray &path) const { return int(m_held.value(path).size()); }

    // Waits until at least `count` requests arrived.
    bool waitForRequests(int count, int timeoutMs = 5000);

signals:
    void requestReceived(const RecordingServer::Request &request);
    // A held answer was sent in full and its connection closed.
    void answerSent(const QByteArray &path);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket, QByteArray &buffer);

    QTcpServer *m_server;
    Transport m_transport;
    QHash<QByteArray, Response> m_responses;
    Response m_fallback;
    QList<Request> m_requests;
    QHash<QByteArray, QList<std::function<void()>>> m_held; // by path, in the order asked
};
