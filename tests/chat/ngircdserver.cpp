#include "ngircdserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

NgircdServer::NgircdServer()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

NgircdServer::~NgircdServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            kill();
    }
}

QString NgircdServer::templatePath()
{
    return QStringLiteral(HOPWISE_CHAT_TEST_DIR "/ngircd-test.conf");
}

bool NgircdServer::start(const Options &options)
{
    QFile in(templatePath());
    if (!in.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("no template at %1").arg(templatePath());
        return false;
    }
    const QString templ = QString::fromUtf8(in.readAll());
    QDir(m_dir.path()).mkpath(QStringLiteral("conf.d"));

    // Another process may take the probed port before ngircd binds it; then try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        QString conf = templ;
        conf.replace(QLatin1String("@PORT@"), QString::number(m_port))
            .replace(QLatin1String("@PING@"), QString::number(options.pingTimeout))
            .replace(QLatin1String("@PONG@"), QString::number(options.pongTimeout))
            .replace(QLatin1String("@PENALTY@"), QString::number(options.penalty))
            .replace(QLatin1String("@DIR@"), m_dir.path());
        const QString confPath = m_dir.filePath(QStringLiteral("ngircd.conf"));
        QFile out(confPath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(conf.toUtf8()) < 0) {
            m_error = QStringLiteral("cannot write %1").arg(confPath);
            return false;
        }
        out.close();

        m_process.start(QStringLiteral("/usr/sbin/ngircd"),
                        {QStringLiteral("-n"), QStringLiteral("-f"), confPath});
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(5);
        }
        m_error = QString::fromLocal8Bit(m_process.readAll());
        kill();
    }
    return false;
}

void NgircdServer::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(3000);
}
