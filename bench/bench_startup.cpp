// Start-up of the real program against a local update server: process start to the first window
// on screen with a server that answers at once, one that never answers and one that trickles its
// answer a byte at a time; splash tick to main window on screen; the memory of the whole process
// tree (web engine processes included) once the home page has loaded; and process start to main
// window with 10 and 100 MiB notes files. The program prints its moments when
// HOPWISE_TRACE_STARTUP=1. Name scenarios to run only some (normal silent trickling notes);
// HOPWISE_BENCH_PROGRAM names another build of the program to time.
#include "recordingserver.h"
#include "samplenotes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <signal.h>

namespace {

constexpr int Runs = 5;
constexpr int SlowRuns = 3;

// Summed proportional set size of `root` and every process below it, in KiB.
qint64 treePssKiB(qint64 root)
{
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The command name may hold blanks and parentheses: the fields follow the last ')'.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields.at(1).toLongLong()].append(pid);
    }
    qint64 total = 0;
    QList<qint64> pending{root};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += children.value(pid);
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &l : rollup.readAll().split('\n')) {
            if (l.startsWith("Pss:"))
                total += l.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return total;
}

struct Run
{
    qint64 toSplash = -1;
    qint64 tickToMain = -1;
    qint64 toMain = -1;
    qint64 toHome = -1;
    double pssMiB = -1;
};

Run runOnce(const QString &binary, const QString &server, const QByteArray &notes = {})
{
    QTemporaryDir programDir;
    if (!notes.isEmpty()) {
        QFile file(programDir.filePath(QStringLiteral("notes.doc")));
        if (!file.open(QIODevice::WriteOnly) || file.write(notes) != notes.size())
            return {};
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOPWISE_TRACE_STARTUP"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOPWISE_UPDATE_SERVER"), server);
    env.insert(QStringLiteral("HOPWISE_PROGRAM_DIR"), programDir.path());
    program.setProcessEnvironment(env);

    QHash<QByteArray, qint64> marks;
    QByteArray pendingErr;
    QObject::connect(&program, &QProcess::readyReadStandardError, &program, [&] {
        pendingErr += program.readAllStandardError();
        int nl;
        while ((nl = pendingErr.indexOf('\n')) >= 0) {
            const QList<QByteArray> f = pendingErr.left(nl).trimmed().split(' ');
            pendingErr.remove(0, nl + 1);
            if (f.size() == 3 && f.at(0) == "hopwise-trace")
                marks.insert(f.at(1), f.at(2).toLongLong());
        }
    });

    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    program.start(binary, {});
    Run run;
    if (!program.waitForStarted())
        return run;
    QElapsedTimer waited;
    waited.start();
    while (!marks.contains("home-loaded") && waited.elapsed() < 120000 &&
           program.state() == QProcess::Running)
        QTest::qWait(10);
    // Memory once the page has settled, as a player would find it a moment after start.
    QTest::qWait(1000);
    if (program.state() == QProcess::Running)
        run.pssMiB = treePssKiB(program.processId()) / 1024.0;
    ::kill(pid_t(program.processId()), SIGTERM);
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished();
    }
    if (marks.contains("splash-shown"))
        run.toSplash = marks.value("splash-shown") - start;
    if (marks.contains("splash-tick") && marks.contains("main-shown"))
        run.tickToMain = marks.value("main-shown") - marks.value("splash-tick");
    if (marks.contains("main-shown"))
        run.toMain = marks.value("main-shown") - start;
    if (marks.contains("home-loaded"))
        run.toHome = marks.value("home-loaded") - start;
    return run;
}

template<typename T> QString spread(QList<T> values, int precision = 0)
{
    std::sort(values.begin(), values.end());
    return QStringLiteral("median %1, min %2, max %3")
        .arg(double(values.at(values.size() / 2)), 0, 'f', precision)
        .arg(double(values.first()), 0, 'f', precision)
        .arg(double(values.last()), 0, 'f', precision);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList scenarios = app.arguments().mid(1);
    if (scenarios.isEmpty())
        scenarios = {QStringLiteral("normal"), QStringLiteral("silent"),
                     QStringLiteral("trickling"), QStringLiteral("notes")};

    RecordingServer::Response home;
    home.body = "<html><head><title>HopWise</title></head><body><h1>HopWise</h1>"
                "<p>Pick a world on the right.</p></body></html>";
    home.contentType = "text/html";
    const auto serverWith = [&](RecordingServer &server, const RecordingServer::Response &version) {
        server.setResponse("/~users/hopwise/version.qvx", version);
        server.setResponse("/~users/hopwise/index.php", home);
    };
    // Another build of the program (an older one, to compare) when given.
    const QString binary =
        qEnvironmentVariable("HOPWISE_BENCH_PROGRAM", QStringLiteral(HOPWISE_APP_PATH));
    QTextStream out(stdout);
    const auto failed = [](const char *what, int i) {
        QTextStream(stderr) << what << " run " << i + 1 << " did not complete\n";
        return 1;
    };

    if (scenarios.contains(QStringLiteral("normal"))) {
        RecordingServer server;
        RecordingServer::Response version;
        version.body = "1.0.2";
        serverWith(server, version);
        QList<qint64> toSplash, tickToMain, toHome;
        QList<double> pss;
        for (int i = 0; i < Runs; ++i) {
            const Run r = runOnce(binary, server.authority());
            if (r.toSplash < 0 || r.tickToMain < 0 || r.pssMiB < 0)
                return failed("normal", i);
            toSplash << r.toSplash;
            tickToMain << r.tickToMain;
            toHome << r.toHome;
            pss << r.pssMiB;
        }
        out << "start-up, " << Runs << " runs of the real program, local update server:\n"
            << "  process start to splash shown:  " << spread(toSplash) << " ms (goal < 300)\n"
            << "  splash tick to main window shown: " << spread(tickToMain) << " ms (goal < 300)\n"
            << "  process start to home page loaded: " << spread(toHome) << " ms\n"
            << "  memory after the home page (PSS, process tree): " << spread(pss, 1)
            << " MiB (goal < 300)\n";
        out.flush();
    }

    // A server that takes the connection and never answers, and one that sends its headers and
    // then one byte every half second of a body far longer than a version file.
    for (const QString &kind : {QStringLiteral("silent"), QStringLiteral("trickling")}) {
        if (!scenarios.contains(kind))
            continue;
        RecordingServer server;
        RecordingServer::Response version;
        if (kind == QLatin1String("silent")) {
            version.hang = true;
        } else {
            version.body = "1.0.2" + QByteArray(4096, ' ');
            version.trickleMs = 500;
        }
        serverWith(server, version);
        QList<qint64> toSplash, toMain;
        for (int i = 0; i < SlowRuns; ++i) {
            const Run r = runOnce(binary, server.authority());
            if (r.toSplash < 0 || r.toMain < 0)
                return failed(qPrintable(kind), i);
            toSplash << r.toSplash;
            toMain << r.toMain;
        }
        out << "start-up, " << SlowRuns << " runs, " << kind << " update server:\n"
            << "  process start to first window (splash) shown: " << spread(toSplash) << " ms\n"
            << "  process start to main window shown: " << spread(toMain) << " ms\n";
        out.flush();
    }

    if (scenarios.contains(QStringLiteral("notes"))) {
        RecordingServer server;
        RecordingServer::Response version;
        version.body = "1.0.2";
        serverWith(server, version);
        for (const int mib : {10, 100}) {
            const QByteArray notes = sampleNotes(qint64(mib) * 1024 * 1024);
            const int runs = mib >= 100 ? 1 : SlowRuns;
            QList<qint64> toMain;
            QList<double> pss;
            for (int i = 0; i < runs; ++i) {
                const Run r = runOnce(binary, server.authority(), notes);
                if (r.toMain < 0)
                    return failed("notes", i);
                toMain << r.toMain;
                pss << r.pssMiB;
            }
            out << "start-up with a " << mib << " MiB notes file, " << runs << " run(s):\n"
                << "  process start to main window shown: " << spread(toMain) << " ms\n"
                << "  memory after the home page (PSS, process tree): " << spread(pss, 1)
                << " MiB\n";
            out.flush();
        }
    }
    return 0;
}
