// The real program under a window manager: closing the main window unloads it while the mini
// browser and the About box stay, and the program ends when the last of them closes.

#include "controls/tabcontrol.h"
#include "ircpeer.h"
#include "recordingserver.h"
#include "shell/frmmain.h"
#include "silentwav.h"
#include "testmain.h"

#include <QAction>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

namespace {

// Runs xdotool and returns what it printed.
QString xdotool(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("xdotool"), args);
    // The event loop turns meanwhile: the servers here answer the program.
    const bool ended = QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000);
    return ended ? QString::fromLatin1(p.readAllStandardOutput()).trimmed() : QString();
}

// The program's visible window whose title matches the pattern, waiting for it unless `now`.
QString findWindow(qint64 pid, const QString &title, bool now = false)
{
    return xdotool({"search", now ? "--all" : "--sync", "--all", "--onlyvisible", "--pid",
                    QString::number(pid), "--name", title})
        .section('\n', 0, 0);
}

void clickAt(const QString &window, QPoint at)
{
    xdotool({"windowactivate", "--sync", window, "mousemove", "--window", window,
             QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

// Closes a window the way a player does: the window manager's close key on the active window.
void closeWindow(const QString &window)
{
    xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
}

// Starts the real program with its update server and program folder, and `env` on top.
void start(QProcess &program, const RecordingServer &server, const QString &programDir,
           QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    env.insert(QStringLiteral("HOPWISE_UPDATE_SERVER"), server.authority());
    env.insert(QStringLiteral("HOPWISE_PROGRAM_DIR"), programDir);
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    // Should it fail to end, the QProcess ends it on the way out.
    program.start(qEnvironmentVariable("HOPWISE_BINARY_DIR") + "/src/app/hopwise", {});
}

// Files the process holds open.
QStringList openFiles(qint64 pid)
{
    QStringList files;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
        files << fd.symLinkTarget();
    return files;
}

} // namespace

class TstLifecycle : public QObject
{
    Q_OBJECT
private slots:
    void closingTheMainWindowUnloadsIt();
    void updateEndsTheProgram();
};

void TstLifecycle::closingTheMainWindowUnloadsIt()
{
    if (qEnvironmentVariableIntValue("HOPWISE_TEST_EXPECT_WM") != 1)
        QSKIP("needs a window manager (tst_lifecycle_wm)");

    // Where the controls are, read from a main window of our own: same code, fonts and style.
    FrmMain layout;
    layout.layout()->activate();
    // A menu item that is not there is clicked nowhere, and the test fails at what it awaits.
    const auto menuItem = [&layout](const char *name) {
        QAction *action = layout.findChild<QAction *>(QLatin1String(name));
        return layout.menuBar()->actionGeometry(action).center() + layout.menuBar()->pos();
    };
    HOPWISE_FIND(TabControl, ssTools, &layout, QStringLiteral("ssTools"));
    HOPWISE_FIND(QLineEdit, txtIP, &layout, QStringLiteral("txtIP"));
    HOPWISE_FIND(QPushButton, cmdConnect, &layout, QStringLiteral("cmdConnect"));
    const auto control = [&layout](QWidget *w) { return w->mapTo(&layout, w->rect().center()); };
    const QPoint chatTab =
        ssTools->tabBar()->mapTo(&layout, ssTools->tabBar()->tabRect(3).center());

    // The game page holds a request open for as long as it lives.
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> held;
    connect(&holder, &QTcpServer::newConnection, this,
            [&] { held << holder.nextPendingConnection(); });
    RecordingServer web;
    web.setResponse("/~users/hopwise/version.qvx", "1.0.2");
    web.setResponse("/~users/hopwise/index.php",
                    {200,
                     "<html><body>home<img src='http://127.0.0.1:" +
                         QByteArray::number(holder.serverPort()) + "/held'></body></html>",
                     "text/html", 0, false});

    Ngircd irc;
    QVERIFY(irc.start());
    IrcPeer channel;
    QVERIFY(channel.login(irc.port, "watcher"));
    channel.send("JOIN #Velmora");
    QVERIFY(!channel.waitFor(" 366 ").isEmpty());

    // Half a minute of silence: long enough to be still playing when the window closes.
    QTemporaryDir programDir;
    QFile sound(programDir.filePath(QStringLiteral("open.wav")));
    QVERIFY(sound.open(QIODevice::WriteOnly) && sound.write(silentWav(30000)) > 0);
    sound.close();

    QProcess program;
    start(program, web, programDir.path());
    QVERIFY(program.waitForStarted());
    const qint64 pid = program.processId();

    // Sought once the page is in: the window the view first appears in is replaced by one the
    // web engine can draw into.
    QTRY_COMPARE_WITH_TIMEOUT(held.size(), 1, 60000);
    const QString main = findWindow(pid, QStringLiteral("^HopWise Runescape World Switcher$"));
    QVERIFY2(!main.isEmpty(), "no main window (or no xdotool: scripts/setup installs it)");
    const bool soundOpen =
        QTest::qWaitFor([&] { return openFiles(pid).contains(sound.fileName()); });

    // The chat joins the channel: "Min/Tools/Max" shows the tools, then the chat page.
    clickAt(main, menuItem("mnuMax"));
    clickAt(main, chatTab);
    clickAt(main, control(txtIP));
    xdotool({"key", "ctrl+a", "type", QStringLiteral("127.0.0.1:%1").arg(irc.port)});
    clickAt(main, control(cmdConnect));
    const QByteArray joined = channel.waitFor("JOIN", 15000);
    QVERIFY2(!joined.isEmpty(), "HopWise did not join the channel");
    const QByteArray nick = joined.mid(1, joined.indexOf('!') - 1);

    // The mini browser and the About box, from the menus.
    clickAt(main, menuItem("mnuFileAction"));
    xdotool({"key", "Down", "Return"});
    QTRY_COMPARE_WITH_TIMEOUT(held.size(), 2, 60000); // the mini browser's home page
    QVERIFY(!findWindow(pid, QStringLiteral("^HopWise Mini Browser")).isEmpty());
    clickAt(main, menuItem("mnuHelpAction"));
    xdotool({"key", "Down", "Return"});
    const QString about = findWindow(pid, QStringLiteral("^About HopWise$"));
    QVERIFY(!about.isEmpty());

    // Closed, the main window takes its page, its chat and its sound with it.
    closeWindow(main);
    // Said by the program, not a connection the server found dropped.
    const QByteArray left = channel.waitFor(":" + nick + "!", 15000);
    QVERIFY2(left.contains(" QUIT ") && !left.contains("Client closed connection"),
             left.constData());
    QTRY_COMPARE_WITH_TIMEOUT(held.first()->state(), QAbstractSocket::UnconnectedState, 15000);
    QCOMPARE(held.last()->state(), QAbstractSocket::ConnectedState);
    if (soundOpen)
        QTRY_VERIFY(!openFiles(pid).contains(sound.fileName()));
    else
        qWarning("the start-up sound never opened here (no audio output?): not checked");
    QCOMPARE(program.state(), QProcess::Running);
    const QString browserLeft = findWindow(pid, QStringLiteral("^HopWise Mini Browser"));
    QVERIFY(!browserLeft.isEmpty());
    QCOMPARE(findWindow(pid, QStringLiteral("^About HopWise$")), about);

    // The About box closes last and ends the program.
    closeWindow(browserLeft);
    QTRY_VERIFY(findWindow(pid, QStringLiteral("^HopWise Mini Browser"), true).isEmpty());
    QCOMPARE(findWindow(pid, QStringLiteral("^About HopWise$")), about);
    QCOMPARE(program.state(), QProcess::Running);
    closeWindow(about);
    QTRY_VERIFY(findWindow(pid, QStringLiteral("^About HopWise$"), true).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 15000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TstLifecycle::updateEndsTheProgram()
{
    // The desktop's URL handler is a stand-in that writes down what it was asked to open.
    QTemporaryDir bin;
    QFile stub(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(stub.open(QIODevice::WriteOnly));
    stub.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n");
    stub.close();
    stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    RecordingServer web;
    web.setResponse("/~users/hopwise/version.qvx", "9.9.9");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), bin.path() + ':' + env.value(QStringLiteral("PATH")));
    env.remove(QStringLiteral("DESKTOP_SESSION"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    QProcess program;
    start(program, web, bin.path(), env);
    const QString prompt = findWindow(program.processId(), QStringLiteral("^Update HopWise$"));
    QVERIFY2(!prompt.isEmpty(), "no update prompt");
    clickAt(prompt, {40, 60}); // inside "Update" (120, 720 twips; 975 x 375)
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 15000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QFile opened(bin.filePath(QStringLiteral("opened.txt")));
    QTRY_VERIFY(opened.exists());
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll().trimmed(),
             "http://" + web.authority().toLatin1() + "/~users/hopwise/update.exe");
}

HOPWISE_TEST_MAIN(TstLifecycle)
#include "tst_lifecycle.moc"
