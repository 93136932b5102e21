#include "recordingserver.h"
#include "shell/desktop.h"
#include "shell/endpoints.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "shell/frmsplash.h"
#include "shell/frmupdate.h"
#include "shell/modstore.h"
#include "testmain.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

namespace {

const QByteArray VersionPath = "/~users/hopwise/version.qvx";
const QByteArray HomePath = "/~users/hopwise/index.php";

QWidget *visibleWindow(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    }
    return nullptr;
}

int windowCount(const char *name)
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->objectName() == QLatin1String(name);
    return n;
}

bool requested(const RecordingServer &server, const QByteArray &path)
{
    const auto requests = server.requests();
    return std::any_of(requests.cbegin(), requests.cend(),
                       [&path](const RecordingServer::Request &r) { return r.path() == path; });
}

bool noWindowVisible()
{
    const auto windows = QApplication::topLevelWidgets();
    return std::none_of(windows.cbegin(), windows.cend(),
                        [](QWidget *w) { return w->isVisible(); });
}

// Watches every start-up window coming on screen, and notes when one came up while another
// that must never share the screen with it was still there.
class ShowWatcher : public QObject
{
public:
    QStringList shown;
    QStringList clashes;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && object->isWidgetType() &&
            static_cast<QWidget *>(object)->isWindow()) {
            const QString name = object->objectName();
            if (!name.startsWith(QLatin1String("frm")))
                return false;
            shown << name;
            const bool isSplash = name == QLatin1String("frmSplash");
            for (const char *other : {"frmSplash", "frmUpdate", "frmMain"}) {
                const bool otherIsSplash = qstrcmp(other, "frmSplash") == 0;
                if (isSplash != otherIsSplash && visibleWindow(other))
                    clashes << name + QLatin1String(" with ") + QLatin1String(other);
            }
        }
        return false;
    }
};

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nothingNewerShowsSplashThenMain_data();
    void nothingNewerShowsSplashThenMain();
    void newerVersionPrompts_data();
    void newerVersionPrompts();
    void laterShowsMainOnce();
    void updateOpensInstallerAndEnds();
    void closingPromptEndsWithoutMain();
    void updateEndsTheRealProgram();

private:
    FrmUpdate *startWithPrompt();

    RecordingServer m_server;
    QTemporaryDir m_programDir;
    ShowWatcher m_watcher;
    QList<QUrl> m_opened;
};

void TstStartup::initTestCase()
{
    QVERIFY(m_programDir.isValid());
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
    RecordingServer::Response home;
    home.body = "<html><head><title>HopWise home</title></head><body>home</body></html>";
    home.contentType = "text/html";
    m_server.setResponse(HomePath, home);
    qApp->installEventFilter(&m_watcher);
    Desktop::setOpenUrlHandlerForTesting([this](const QUrl &url) {
        m_opened << url;
        return true;
    });
}

void TstStartup::init()
{
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    m_server.clearRequests();
    m_watcher.shown.clear();
    m_watcher.clashes.clear();
    m_opened.clear();
    modStore::strNewest.clear();
}

void TstStartup::cleanup()
{
    Forms::resetForTesting();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<FrmSplash *>(w) || qobject_cast<FrmUpdate *>(w))
            delete w;
    }
    QTRY_VERIFY(noWindowVisible());
}

void TstStartup::nothingNewerShowsSplashThenMain_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("same version") << QByteArray("1.0.2") << 200;
    QTest::newRow("same version and a line break") << QByteArray("1.0.2\n") << 200;
    QTest::newRow("older version") << QByteArray("0.9.9") << 200;
    QTest::newRow("empty body") << QByteArray() << 200;
    QTest::newRow("html page") << QByteArray("<html><body>Moved</body></html>") << 200;
    QTest::newRow("server error") << QByteArray("9.9.9") << 500;
    QTest::newRow("nobody listening") << QByteArray() << 0;
}

void TstStartup::nothingNewerShowsSplashThenMain()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    if (status == 0) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        qputenv("HOPWISE_UPDATE_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(port));
    } else {
        m_server.setResponse(VersionPath, body, status);
    }

    FrmSplash *splash = FrmSplash::start();
    QVERIFY(splash);
    QPointer<FrmSplash> guard(splash);
    QVERIFY(splash->isVisible());
    QCOMPARE(modStore::strVersion, QStringLiteral("1.0.2"));
    auto *lblVersion = splash->findChild<QLabel *>(QStringLiteral("lblVersion"));
    QCOMPARE(lblVersion->text(), QStringLiteral("Version:1.0.2"));
    auto *label1 = splash->findChild<QLabel *>(QStringLiteral("Label1"));
    QCOMPARE(label1->text(), QStringLiteral("HopWise"));
    QVERIFY2(label1->fontInfo().bold(), qPrintable(label1->fontInfo().family()));
    QCOMPARE(label1->fontInfo().pointSizeF(), 21.75);
    QVERIFY(!visibleWindow("frmUpdate"));
    QVERIFY(!visibleWindow("frmMain"));
    if (status != 0)
        QCOMPARE(m_server.requests().at(0).path(), VersionPath);

    // The tick hands over: the splash goes, the main window comes, once.
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindow("frmMain"), 10000);
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(m_watcher.shown, (QStringList{"frmSplash", "frmMain"}));
    QCOMPARE(m_watcher.clashes, QStringList());
    QCOMPARE(windowCount("frmMain"), 1);
    if (status != 0) {
        QTRY_VERIFY(requested(m_server, HomePath));
    }
}

void TstStartup::newerVersionPrompts_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two-digit revision") << QByteArray("1.0.10") << "Newest Version: 1.0.10";
    QTest::newRow("minor only") << QByteArray("1.1") << "Newest Version: 1.1";
    QTest::newRow("blanks and a line break") << QByteArray(" 2.0.0\r\n") << "Newest Version: 2.0.0";
}

void TstStartup::newerVersionPrompts()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    m_server.setResponse(VersionPath, body);

    QVERIFY(!FrmSplash::start());
    QWidget *prompt = visibleWindow("frmUpdate");
    QVERIFY(prompt);
    QCOMPARE(prompt->windowTitle(), QStringLiteral("Update HopWise"));
    QCOMPARE(prompt->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Your Version: 1.0.2"));
    QCOMPARE(prompt->findChild<QLabel *>(QStringLiteral("lblNewest"))->text(), shown);
    QCOMPARE(modStore::strNewest, QString::fromLatin1(body));

    // The splash is gone for good: never shown, and no timer of it left to tick.
    QTRY_COMPARE(windowCount("frmSplash"), 0);
    QCOMPARE(m_watcher.shown, (QStringList{"frmUpdate"}));
    QVERIFY(!Forms::mainWindow());
}

FrmUpdate *TstStartup::startWithPrompt()
{
    m_server.setResponse(VersionPath, "1.0.3");
    if (FrmSplash::start())
        return nullptr;
    return qobject_cast<FrmUpdate *>(visibleWindow("frmUpdate"));
}

void TstStartup::laterShowsMainOnce()
{
    QPointer<FrmUpdate> prompt = startWithPrompt();
    QVERIFY(prompt);
    QVERIFY(QTest::qWaitForWindowExposed(prompt));
    QTest::mouseClick(prompt->findChild<QPushButton *>(QStringLiteral("cmdLater")), Qt::LeftButton);

    QTRY_VERIFY(prompt.isNull());
    QVERIFY(visibleWindow("frmMain"));
    QCOMPARE(windowCount("frmMain"), 1);
    QCOMPARE(m_watcher.shown, (QStringList{"frmUpdate", "frmMain"}));
    QCOMPARE(m_watcher.clashes, QStringList());
    QVERIFY(m_server.waitForRequests(2));
    QCOMPARE(m_server.requests().at(1).path(), HomePath);
    QVERIFY(m_opened.isEmpty());
    QVERIFY(!Forms::isEnding());
}

void TstStartup::updateOpensInstallerAndEnds()
{
    QPointer<FrmUpdate> prompt = startWithPrompt();
    QVERIFY(prompt);
    QVERIFY(QTest::qWaitForWindowExposed(prompt));
    QTest::mouseClick(prompt->findChild<QPushButton *>(QStringLiteral("cmdUpdate")),
                      Qt::LeftButton);

    QCOMPARE(m_opened, (QList<QUrl>{QUrl(Endpoints::current().installerUrl())}));
    QCOMPARE(m_opened.at(0).path(), QStringLiteral("/~users/hopwise/update.exe"));
    QVERIFY(Forms::isEnding());
    QTRY_VERIFY(noWindowVisible());
    QVERIFY(!Forms::mainWindow());
}

void TstStartup::closingPromptEndsWithoutMain()
{
    QPointer<FrmUpdate> prompt = startWithPrompt();
    QVERIFY(prompt);
    QVERIFY(QTest::qWaitForWindowExposed(prompt));
    QVERIFY(prompt->close());
    QTRY_VERIFY(prompt.isNull());
    QVERIFY(noWindowVisible());
    QVERIFY(!Forms::mainWindow());
    QVERIFY(m_opened.isEmpty());
}

void TstStartup::updateEndsTheRealProgram()
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed (scripts/setup installs it)");
    QString buildDir = qEnvironmentVariable("HOPWISE_BINARY_DIR");
    if (buildDir.isEmpty())
        buildDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../..");
    const QString binary = buildDir + QStringLiteral("/src/app/hopwise");
    QVERIFY2(QFile::exists(binary), qPrintable(binary));

    // The desktop's URL handler is a stand-in that writes down what it was asked to open.
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString openedLog = bin.filePath(QStringLiteral("opened.txt"));
    {
        QFile stub(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(stub.open(QIODevice::WriteOnly));
        stub.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$HOPWISE_TEST_OPENED\"\n");
        stub.close();
        stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    m_server.setResponse(VersionPath, "9.9.9");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), bin.path() + QLatin1Char(':') + env.value("PATH"));
    env.insert(QStringLiteral("HOPWISE_TEST_OPENED"), openedLog);
    env.insert(QStringLiteral("HOPWISE_UPDATE_SERVER"), m_server.authority());
    env.remove(QStringLiteral("DESKTOP_SESSION"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(binary, {});
    QVERIFY(program.waitForStarted());
    auto killProgram = qScopeGuard([&program] {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    });

    QVERIFY(m_server.waitForRequests(1, 10000));
    QProcess search;
    search.start(xdotool, {"search", "--sync", "--onlyvisible", "--pid",
                           QString::number(program.processId()), "--name", "^Update HopWise$"});
    QVERIFY(search.waitForFinished(15000));
    const QString window = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
    QVERIFY2(!window.isEmpty(), "the update prompt did not come up");

    // The centre of "Update": 120 + 975/2 across, 720 + 375/2 down, in twips. Raised first, as
    // other tests' windows may share the display.
    const QString id = window.section(QLatin1Char('\n'), 0, 0);
    QProcess click;
    click.start(xdotool,
                {"windowraise", id, "mousemove", "--window", id, "40", "60", "click", "1"});
    QVERIFY(click.waitForFinished(10000));

    QVERIFY2(program.waitForFinished(15000), "the program did not end after Update");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QTRY_VERIFY(QFile::exists(openedLog));
    QFile opened(openedLog);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll().trimmed(), QByteArray("http://") + m_server.authority().toLatin1() +
                                             "/~users/hopwise/update.exe");
}

HOPWISE_TEST_MAIN(TstStartup)
#include "tst_startup.moc"
