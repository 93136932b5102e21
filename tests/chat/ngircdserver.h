#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ngircd on 127.0.0.1 for one test: its configuration is written from the template
// beside this file with a free port, and the process is stopped when the object goes.
class NgircdServer
{
public:
    struct Options
    {
        int pingTimeout = 120; // seconds, at least 5
        int pongTimeout = 20;
        int penalty = 0; // 0: no flood throttling; -1: the server's real throttling
    };

    NgircdServer();
    ~NgircdServer();

    // Starts the server and waits until it accepts connections. False (with errorString())
    // when it could not be started.
    bool start(const Options &options);
    bool start() { return start(Options()); }
    // Kills the server at once, as a crash or a pulled cable would end it.
    void kill();

    quint16 port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString errorString() const { return m_error; }

    static QString templatePath();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
