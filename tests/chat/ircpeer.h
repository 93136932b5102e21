#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// One end of an IRC connection spoken by hand: another user in the channel, or the server's
// side of a connection a test accepted. It keeps every line received, without its line end.
class IrcPeer : public QObject
{
public:
    explicit IrcPeer(QTcpSocket *s = new QTcpSocket)
        : socket(s)
    {
        s->setParent(this);
        connect(s, &QTcpSocket::readyRead, this, &IrcPeer::read);
        read(); // what arrived before the connection was handed to us
    }
    // The server's side of the next connection to server.
    static std::unique_ptr<IrcPeer> accept(QTcpServer &server)
    {
        const bool came = QTest::qWaitFor([&server] { return server.hasPendingConnections(); });
        return came ? std::make_unique<IrcPeer>(server.nextPendingConnection()) : nullptr;
    }
    bool login(quint16 port, const QByteArray &nick)
    {
        socket->connectToHost(QHostAddress::LocalHost, port);
        send("NICK " + nick + "\r\nUSER " + nick + " 0 * :raw client");
        return !waitFor(" 376 ").isEmpty(); // the end of the greeting
    }
    void send(const QByteArray &line) { socket->write(line + "\r\n"); }
    // The next line containing part; the lines before it are passed over for good. Empty when
    // none came in time.
    QByteArray waitFor(const QByteArray &part, int ms = 5000)
    {
        const auto next = [&] {
            while (m_seen < lines.size() && !lines[m_seen].contains(part))
                ++m_seen;
            return m_seen < lines.size();
        };
        return QTest::qWaitFor(next, ms) ? lines[m_seen++] : QByteArray();
    }

    QTcpSocket *socket;
    QList<QByteArray> lines;

private:
    void read()
    {
        while (socket->canReadLine()) // a line ends at LF, its CR goes with it
            lines.append(socket->readLine().replace("\r\n", "\n").chopped(1));
    }
    int m_seen = 0;
};

// A real ngircd on 127.0.0.1 for one test, configured from the template beside this file.
class Ngircd
{
public:
    ~Ngircd() { kill(); }
    // pingTimeout: seconds of silence before the server asks whether we are still there, and
    // then waits as long for the answer (ngircd's least is 5).
    bool start(int pingTimeout = 120)
    {
        QFile in(QFINDTESTDATA("ngircd-test.conf")), conf(m_dir.filePath("ngircd.conf"));
        QTcpServer probe; // a free port, given up just before ngircd takes it
        if (!in.open(QIODevice::ReadOnly) || !conf.open(QIODevice::WriteOnly) ||
            !probe.listen(QHostAddress::LocalHost) || !QDir(m_dir.path()).mkpath("conf.d"))
            return false;
        port = probe.serverPort();
        probe.close();
        const QString ping = QString::number(pingTimeout);
        QString text = QString::fromUtf8(in.readAll()).replace("@PORT@", QString::number(port));
        text.replace("@PING@", ping).replace("@PONG@", ping).replace("@PENALTY@", "0");
        conf.write(text.replace("@DIR@", m_dir.path()).toUtf8());
        conf.close();
        m_process.start("/usr/sbin/ngircd", {"-n", "-f", conf.fileName()});
        return m_process.waitForStarted() && QTest::qWaitFor([this] {
                   QTcpSocket s;
                   s.connectToHost(QHostAddress::LocalHost, port);
                   return s.waitForConnected(100) || m_process.state() == QProcess::NotRunning;
               }) &&
               m_process.state() == QProcess::Running;
    }
    // Ends the server at once, as a crash would.
    void kill() { m_process.close(); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }

    quint16 port = 0;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
