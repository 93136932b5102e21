// A burst of 10,000 channel messages from the server, logged by the chat page: the time until the
// last one is in the log, and how long the user interface was kept from its event loop (the
// largest gap between ticks of a 10 ms timer). Two bursts: into an empty log, then into the log
// the first one left, since the log is never trimmed.
#include "chat/chatpage.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "shell/appsetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

constexpr int BurstLines = 10000;
constexpr int Bursts = 2;

QByteArray burst(int number)
{
    QByteArray bytes;
    for (int i = 0; i < BurstLines; ++i) {
        bytes += ":user" + QByteArray::number(i % 37) + "!~u" + QByteArray::number(i % 37) +
                 "@127.0.0.1 PRIVMSG #Velmora :burst " + QByteArray::number(number) + ", message " +
                 QByteArray::number(i) + ": the quick brown fox jumps over the lazy dog\r\n";
    }
    return bytes;
}

// The server runs on its own thread, so that its writing costs the user interface nothing and
// the figures are the client's alone.
class BurstServer
{
public:
    std::atomic<quint16> port{0};
    std::atomic<qint64> burstStartNs[Bursts] = {};
    std::atomic<int> requestedBursts{0};
    std::atomic<bool> stop{false};

    void run()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port = server.serverPort();
        if (!server.waitForNewConnection(10000))
            return;
        QTcpSocket *client = server.nextPendingConnection();
        QByteArray in;
        while (!in.contains("USER ") && client->waitForReadyRead(10000))
            in += client->readAll();
        client->write(":bench.server 001 bob :Welcome bob!~bob@127.0.0.1\r\n");
        client->waitForBytesWritten(1000);
        while (!in.contains("JOIN ") && client->waitForReadyRead(10000))
            in += client->readAll();
        client->write(":bob!~bob@127.0.0.1 JOIN :#Velmora\r\n");
        client->waitForBytesWritten(1000);
        for (int b = 0; b < Bursts; ++b) {
            while (requestedBursts <= b && !stop)
                client->waitForReadyRead(5); // the keep-alive may talk meanwhile
            if (stop)
                return;
            const QByteArray bytes = burst(b + 1);
            QElapsedTimer clock;
            clock.start();
            burstStartNs[b] = clock.msecsSinceReference() * 1000000;
            client->write(bytes);
            while (client->bytesToWrite() > 0 && client->waitForBytesWritten(10000)) {
            }
        }
        while (!stop)
            client->waitForReadyRead(20);
    }
};

qint64 nowMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

} // namespace

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);

    BurstServer server;
    std::thread serverThread([&server] { server.run(); });
    while (server.port == 0)
        std::this_thread::yield();

    ChatPage page;
    page.resize(Twips::size(11775, 2655));
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return 1;
    page.findChild<QLineEdit *>(QStringLiteral("txtUsername"))->setText(QStringLiteral("bob"));
    page.findChild<QLineEdit *>(QStringLiteral("txtIP"))
        ->setText(QStringLiteral("127.0.0.1:%1").arg(server.port.load()));
    page.findChild<QPushButton *>(QStringLiteral("cmdConnect"))->click();
    auto *chat = page.findChild<QGroupBox *>(QStringLiteral("fraChat"));
    if (!QTest::qWaitFor([chat] { return chat->isVisible(); }, 10000)) {
        QTextStream(stderr) << "bench_chat: the page did not connect\n";
        server.stop = true;
        serverThread.join();
        return 1;
    }
    auto *log = page.findChild<RichTextBox *>(QStringLiteral("rtfChat"));
    QTextDocument *doc = log->document();

    QTextStream out(stdout);
    for (int b = 0; b < Bursts; ++b) {
        const int targetBlocks = 1 + (b + 1) * BurstLines;
        qint64 lastTick = nowMs();
        qint64 longestGap = 0;
        int gapsOver100 = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            const qint64 now = nowMs();
            const qint64 gap = now - lastTick;
            longestGap = qMax(longestGap, gap);
            gapsOver100 += gap > 100 ? 1 : 0;
            lastTick = now;
        });
        qint64 doneMs = 0;
        QObject::connect(doc, &QTextDocument::blockCountChanged, &ticker, [&](int blocks) {
            if (blocks >= targetBlocks && doneMs == 0)
                doneMs = nowMs();
        });
        ticker.start(10);
        lastTick = nowMs();
        server.requestedBursts = b + 1;
        const bool complete = QTest::qWaitFor([&] { return doneMs != 0; }, 60000);
        // One more tick, so a stall that ended the burst is counted too.
        QTest::qWait(30);
        ticker.stop();
        const qint64 startMs = server.burstStartNs[b] / 1000000;
        out << QStringLiteral("burst %1 (%2 messages, log had %3 lines): %4, total %5 ms, "
                              "longest event-loop gap %6 ms, gaps over 100 ms: %7\n")
                   .arg(b + 1)
                   .arg(BurstLines)
                   .arg(targetBlocks - BurstLines)
                   .arg(complete ? QStringLiteral("all logged") : QStringLiteral("INCOMPLETE"))
                   .arg(complete ? doneMs - startMs : -1)
                   .arg(longestGap)
                   .arg(gapsOver100);
        out.flush();
    }
    out << QStringLiteral("log: %1 lines, %2 characters\n")
               .arg(doc->blockCount())
               .arg(log->text().size());

    server.stop = true;
    serverThread.join();
    return 0;
}
