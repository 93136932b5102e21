#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;

// Local stand-ins for every remote server HopWise talks to over HTTP, on one loopback port. The
// Host header tells them apart: "<label>.localhost" names a world's game host, "www.",
// "hiscore." and "forum.localhost" the publisher's other hosts; any other host is the update
// server and the Velmora site, whose paths do not overlap.
class DemoServer : public QObject
{
    Q_OBJECT
public:
    explicit DemoServer(QObject *parent = nullptr);
    ~DemoServer() override;

    // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, or 0 on failure.
    quint16 listen(quint16 port = 0);
    quint16 port() const { return m_port; }

    void setVersion(const QByteArray &body) { m_version = body; }
    void setPcWorld(const QByteArray &body) { m_pcworld = body; }
    void setCredits(const QByteArray &rtf) { m_credits = rtf; }

private:
    void answer(const QHttpServerRequest &request, QHttpServerResponder &responder);

    QHttpServer *m_server;
    quint16 m_port = 0;
    QByteArray m_version = "1.0.2";
    QByteArray m_pcworld = "pest3";
    QByteArray m_credits;
};
