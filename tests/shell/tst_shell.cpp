// Start-up (version check, splash, update prompt), the main window it leads to, and the real
// program's end.

#include "controls/mediacontrol.h"
#include "controls/notice.h"
#include "controls/tabcontrol.h"
#include "controls/twips.h"
#include "controls/webbrowser.h"
#include "core/desktop.h"
#include "core/endpoints.h"
#include "ircpeer.h"
#include "recordingserver.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "shell/frmsplash.h"
#include "shell/frmupdate.h"
#include "silentwav.h"
#include "testmain.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"
#include "worlds/worldswitcher.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QWebEngineView>

namespace {

const QByteArray VersionPath = "/~users/hopwise/version.qvx";
const QByteArray HomePath = "/~users/hopwise/index.php";

// The program's windows by name, sorted: those on screen, or all that exist.
QStringList windows(bool visibleOnly = true)
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName().startsWith(QLatin1String("frm")) && (w->isVisible() || !visibleOnly))
            names << w->objectName();
    names.sort();
    return names;
}

// Hands every event the program delivers to `seen`, and takes none of them.
class EventWatch : public QObject
{
public:
    explicit EventWatch(std::function<void(QObject *, QEvent *)> seen)
        : m_seen(std::move(seen))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        m_seen(watched, event);
        return false;
    }

private:
    std::function<void(QObject *, QEvent *)> m_seen;
};

// What a screen reader meets on a window: each control a person can operate without a name, and
// each label whose name is not the text it shows.
void walk(QAccessibleInterface *node, const QString &path, QStringList &faults)
{
    auto *widget = qobject_cast<QWidget *>(node->object());
    // A closed menu is still there to be walked; a hidden page or popup is not. The game view's
    // page is the web's, not ours.
    if ((widget && !widget->isVisible() && !qobject_cast<QMenu *>(widget)) ||
        qobject_cast<QWebEngineView *>(widget))
        return;
    const QString name = node->text(QAccessible::Name);
    const QString here = path + QLatin1Char('/') +
                         (node->object() && !node->object()->objectName().isEmpty()
                              ? node->object()->objectName()
                              : QString::number(int(node->role()), 16) + QLatin1Char(':') + name);
    using A = QAccessible;
    const QList<A::Role> operable{A::PushButton,   A::CheckBox, A::RadioButton, A::ComboBox,
                                  A::EditableText, A::List,     A::Tree,        A::Table,
                                  A::PageTab,      A::MenuItem, A::Slider,      A::SpinBox};
    if (operable.contains(node->role()) && name.trimmed().isEmpty())
        faults << here + QStringLiteral(" has no name");
    auto *label = qobject_cast<QLabel *>(widget);
    if (label && node->role() == A::StaticText) {
        QTextDocument shown;
        shown.setHtml(label->text());
        const bool rich =
            label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (name != (rich ? shown.toPlainText() : label->text()))
            faults << here + QStringLiteral(" reads \"%1\"").arg(name);
    }
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface *child = node->child(i))
            walk(child, here, faults);
}

// The control a focus widget stands for: the game view for the page's surface inside it.
QString controlName(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget())
        if (p->objectName() == QLatin1String("wbClient"))
            return p->objectName();
    if (!w)
        return QStringLiteral("(none)");
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                     : w->objectName();
}

// Presses a key and returns the control that has the focus once the key is dealt with: the focus
// moved, or the page handed the marker back and then answered a script. The page's word that the
// focus leaves it comes on the script's way, before the answer; the marker alone can overtake it.
QString press(QWebEngineView *view, const char *name)
{
    QWidget *before = QApplication::focusWidget();
    // The marker key, which nothing takes, reaches a widget other than the one with the focus:
    // a key the game view's page leaves is handed on to the view's parent once the page has dealt
    // with every key before it. It is only watched, never taken: it must go through the page too.
    bool through = false;
    EventWatch marker([&through](QObject *watched, QEvent *event) {
        through = through || (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
                              static_cast<QKeyEvent *>(event)->key() == Qt::Key_F12 &&
                              watched != QApplication::focusWidget());
    });
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("key"), QLatin1String(name), QStringLiteral("F12")});
    bool asked = false;
    const auto answered = std::make_shared<bool>(false); // may come after the wait gave up
    (void)QTest::qWaitFor([&] {
        if (through && !asked) {
            asked = true;
            view->page()->runJavaScript(QStringLiteral("0"),
                                        [answered](const QVariant &) { *answered = true; });
        }
        return QApplication::focusWidget() != before || *answered;
    });
    return controlName(QApplication::focusWidget());
}

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
    QStringList args{"search", "--all", "--onlyvisible", "--pid", QString::number(pid),
                     "--name", title};
    if (!now)
        args.insert(1, QStringLiteral("--sync"));
    return xdotool(args).section('\n', 0, 0);
}

void clickAt(const QString &window, QPoint at)
{
    xdotool({"windowactivate", "--sync", window, "mousemove", "--window", window,
             QString::number(at.x()), QString::number(at.y()), "click", "1"});
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

Q_DECLARE_METATYPE(RecordingServer::Response)

class TstShell : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void startUp_data();
    void startUp();
    void loadSteps_data();
    void loadSteps();
    void mainWindowThroughTheSizeModes();
    void textsFit();
    void closingTheMainWindowUnloadsIt();
    void updateEndsTheProgram();

private:
    RecordingServer m_server;
    QTemporaryDir m_programDir;
    QList<QUrl> m_opened;
    bool m_browserStarts = true;
};

void TstShell::initTestCase()
{
    QVERIFY(m_programDir.isValid());
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
    m_server.setResponse(HomePath, "<html><body>home</body></html>");
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    Desktop::setOpenUrlHandlerForTesting([this](const QUrl &url) {
        m_opened << url;
        return m_browserStarts;
    });
}

void TstShell::cleanup()
{
    Forms::resetForTesting();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmSplash *>(w) || qobject_cast<FrmUpdate *>(w))
            delete w;
    qputenv("HOPWISE_UPDATE_SERVER", m_server.authority().toUtf8());
    m_server.clearRequests();
    m_opened.clear();
    m_browserStarts = true;
    QFile::remove(m_programDir.filePath(QStringLiteral("open.wav")));
}

void TstShell::startUp_data()
{
    // Parsing is tst_startup_version's; redirects and the bound on a server that holds the check
    // are tst_web's: here what the player sees.
    QTest::addColumn<RecordingServer::Response>("version"); // status 0: nobody listening
    QTest::addColumn<QString>("answer"); // to the update prompt; empty: none may come
    using R = RecordingServer::Response;
    QTest::newRow("same version") << R(200, "1.0.2\n") << "";
    QTest::newRow("server error") << R(500, "9.9.9") << "";
    QTest::newRow("nobody listening") << R(0) << "";
    QTest::newRow("newer, with blanks") << R(200, " 1.0.10\r\n") << "cmdLater";
    // No web browser could be started: the player gets the address to fetch the installer by
    // hand, then the program ends as after any "Update" (with a browser: updateEndsTheProgram).
    QTest::newRow("Update, no browser") << R(200, "1.0.10") << "cmdUpdate";
    QTest::newRow("closing the prompt") << R(200, "1.0.10") << "close";
}

void TstShell::startUp()
{
    QFETCH(RecordingServer::Response, version);
    QFETCH(QString, answer);
    if (version.status == 0)
        qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    m_server.setResponse(VersionPath, version);
    m_browserStarts = false;
    // What is on screen when the version file is asked for, and whenever a window shows.
    QStringList atCheck;
    QObject context;
    connect(&m_server, &RecordingServer::requestReceived, &context,
            [&atCheck](const RecordingServer::Request &r) {
                if (r.path() == VersionPath)
                    atCheck = windows();
            });
    QList<QStringList> shows; // the windows on screen each time one of them is shown
    EventWatch watch([&shows](QObject *watched, QEvent *event) {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            shows << windows();
    });

    QPointer<FrmSplash> splash = FrmSplash::start();
    QCOMPARE(atCheck, m_server.requests().isEmpty() ? QStringList() : QStringList{"frmSplash"});
    // The splash, or the prompt alone: no splash beside it, and none left to tick.
    QCOMPARE(bool(splash), answer.isEmpty());
    QTRY_COMPARE(windows(false), QStringList{answer.isEmpty() ? "frmSplash" : "frmUpdate"});
    QString boxText; // of a message box the answer brings up
    Qt::TextInteractionFlags boxFlags;
    if (splash) {
        HOPWISE_FIND(QLabel, lblVersion, splash, QStringLiteral("lblVersion"));
        QCOMPARE(lblVersion->text(), QStringLiteral("Version:1.0.2"));
    } else {
        FrmUpdate *prompt = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            prompt = prompt ? prompt : qobject_cast<FrmUpdate *>(w);
        QVERIFY(QTest::qWaitForWindowExposed(prompt));
        HOPWISE_FIND(QLabel, lblVersion, prompt, QStringLiteral("lblVersion"));
        HOPWISE_FIND(QLabel, lblNewest, prompt, QStringLiteral("lblNewest"));
        QCOMPARE(lblVersion->text(), QStringLiteral("Your Version: 1.0.2"));
        QCOMPARE(lblNewest->text(), QStringLiteral("Newest Version: 1.0.10"));
        QTimer::singleShot(0, prompt, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxText = box->text();
                boxFlags = box->textInteractionFlags();
                box->accept();
            }
        });
        if (answer == QLatin1String("close")) {
            QVERIFY(prompt->close());
        } else {
            HOPWISE_FIND(QPushButton, button, prompt, answer);
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }

    // The splash's tick or "Later" hands over to the main window, once; any other answer ends
    // the program.
    const bool main = answer.isEmpty() || answer == QLatin1String("cmdLater");
    QTRY_COMPARE_WITH_TIMEOUT(windows(false), main ? QStringList{"frmMain"} : QStringList(), 10000);
    QCOMPARE(windows(), windows(false));
    const bool update = answer == QLatin1String("cmdUpdate");
    QCOMPARE(Forms::isEnding(), update);
    const QString installer = Endpoints::current().installerUrl();
    QCOMPARE(m_opened, update ? QList<QUrl>{QUrl(installer)} : QList<QUrl>());
    QCOMPARE(boxText.contains(installer), update);
    QCOMPARE(boxFlags.testFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard), update);
    for (const QStringList &shown : shows)
        QVERIFY2(!shown.contains("frmSplash") || shown.size() == 1, qPrintable(shown.join(' ')));
}

void TstShell::loadSteps_data()
{
    QTest::addColumn<bool>("soundPresent");
    QTest::newRow("start-up sound not playable") << true;
    QTest::newRow("start-up sound missing") << false;
}

void TstShell::loadSteps()
{
    QFETCH(bool, soundPresent);
    const QString sound = m_programDir.filePath(QStringLiteral("open.wav"));
    if (soundPresent) {
        QFile f(sound);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a sound") > 0);
    }

    FrmMain *w = Forms::preloadMain();
    HOPWISE_FIND(MediaControl, mmControl, w, QStringLiteral("mmControl"));
    HOPWISE_FIND(WebBrowser, wbClient, w, QStringLiteral("wbClient"));
    // When the sound opens, the home page is already asked for and the size mode not yet set.
    QList<QPair<QUrl, int>> seen;
    connect(mmControl->player(), &QMediaPlayer::sourceChanged, this, [&](const QUrl &source) {
        if (!source.isEmpty())
            seen.append({wbClient->page()->requestedUrl(), w->sizeMode()});
    });
    QCOMPARE(w->sizeMode(), 0);
    QVERIFY(m_server.requests().isEmpty());
    w->show();
    QCOMPARE(w->sizeMode(), 1);
    QCOMPARE(mmControl->openFile(), soundPresent ? sound : QString());
    QCOMPARE(seen, (QList<QPair<QUrl, int>>(soundPresent ? 1 : 0,
                                            {QUrl(Endpoints::current().homePageUrl()), 0})));
    QVERIFY(m_server.waitForRequests(1));
    QCOMPARE(m_server.requests().at(0).path(), HomePath);

    // Shown again, the window only comes up: no second load, the size mode kept.
    HOPWISE_FIND(QAction, mnuMax, w, QStringLiteral("mnuMax"));
    mnuMax->trigger();
    w->hide();
    Forms::showMain();
    QCOMPARE(w->sizeMode(), 2);
    QCOMPARE(seen.size(), soundPresent ? 1 : 0);
}

void TstShell::mainWindowThroughTheSizeModes()
{
    // A folder where the notes file should be: the notes cannot be read, and the Notepad says so
    // at load, its box below mode 1's edge.
    const QString notes = m_programDir.filePath(QStringLiteral("notes.doc"));
    QFile::remove(notes);
    QVERIFY(QDir().mkdir(notes));
    const auto removeNotes = qScopeGuard([&notes] { QDir(notes).removeRecursively(); });
    FrmMain *w = Forms::showMain();
    HOPWISE_FIND(WebBrowser, wbClient, w, QStringLiteral("wbClient"));
    QSignalSpy loaded(wbClient, &QWebEngineView::loadFinished);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    HOPWISE_FIND(QAction, mnuMax, w, QStringLiteral("mnuMax"));
    HOPWISE_FIND(QLabel, imgBG, w, QStringLiteral("imgBG"));
    HOPWISE_FIND(QLabel, notice, w, QStringLiteral("notice"));
    HOPWISE_FIND(TabControl, ssTools, w, QStringLiteral("ssTools"));
    HOPWISE_FIND(QWidget, rtfNotes, w, QStringLiteral("rtfNotes"));
    // Under a window manager the frame and title bar count in the outer sizes, and the window
    // may be moved after it is shown: the notice goes along.
    const bool managed = qEnvironmentVariableIntValue("HOPWISE_TEST_EXPECT_WM") == 1;
    if (managed)
        QTRY_VERIFY(w->frameGeometry().size() != w->size());
    QVERIFY2(notice->text().startsWith("Your notes file"), qPrintable(notice->text()));
    const auto inside = [w, notice] {
        return QRect(w->mapToGlobal(QPoint()), w->size())
            .contains(QRect(notice->mapToGlobal(QPoint()), notice->size()));
    };
    QTRY_VERIFY(notice->isVisible() && inside());
    // Told while the window is minimised, a notice waits for the window to come back.
    notice->hide();
    w->showMinimized();
    QTRY_VERIFY(w->isMinimized());
    Notice::show(rtfNotes, QStringLiteral("Your notes were not saved: the disk is full."));
    QVERIFY(!notice->isVisible());
    w->showNormal();
    QTRY_VERIFY(notice->isVisible() && inside());

    // The artwork is compiled into a library below the windows; the program must still find it.
    QVERIFY(!imgBG->pixmap().isNull());
    QVERIFY(!w->windowIcon().isNull());
    QStringList menus; // a drop-down's items indented under it, then the tools' pages
    for (const QAction *a : w->menuBar()->actions()) {
        menus << a->text();
        for (const QAction *item : a->menu() ? a->menu()->actions() : QList<QAction *>())
            menus << QStringLiteral("  ") + item->text();
    }
    for (int i = 0; i < ssTools->count(); ++i)
        menus << ssTools->tabText(i);
    QCOMPARE(menus,
             (QStringList{"File", "  Browser", "  Quit", "Take SS", "Help", "  About",
                          "Min/Tools/Max", "Stat Lookup", "Media Player", "Notepad", "Chat"}));

    // What each mode shows is the same with any frame: the controls that lie wholly inside the
    // client area, 120 twips of margin included.
    QWidget *client = w->centralWidget();
    const auto shown = [client] {
        QStringList names;
        for (const char *name : {"wbClient", "ssWorlds", "ssTools", "cmdClose", "lblSeconds"}) {
            const QWidget *c = client->findChild<QWidget *>(QLatin1String(name));
            if (c && client->rect().contains(c->geometry().adjusted(-8, -8, 8, 8)))
                names << QLatin1String(name);
        }
        return names;
    };
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 15000);
    // Tab leaves the game view, goes round every control it reaches once and back into the view.
    const auto chain = [wbClient] {
        wbClient->setFocus();
        QStringList order;
        if (!QTest::qWaitFor([] { return controlName(QApplication::focusWidget()) == "wbClient"; }))
            return order;
        for (int i = 0; i < 200 && (order.isEmpty() || order.last() != "wbClient"); ++i)
            order << press(wbClient, "Tab");
        return order;
    };
    // Mode 1 shows the game view alone: the keyboard reaches nothing else, either way round.
    const QStringList gameViewAlone{"wbClient"};
    QTRY_COMPARE(client->size(), Twips::size(12015, 8415));
    QCOMPARE(shown(), gameViewAlone);
    QCOMPARE(chain(), gameViewAlone);
    QCOMPARE(press(wbClient, "shift+Tab"), QStringLiteral("wbClient"));

    mnuMax->trigger();
    QTRY_COMPARE(client->size(), Twips::size(14655, 11175));
    QCOMPARE(shown(), (QStringList{"wbClient", "ssWorlds", "ssTools", "cmdClose", "lblSeconds"}));
    QTRY_COMPARE(imgBG->size(), w->frameGeometry().size());
    const QStringList order = chain();
    // The worlds, then the clock, "Close World" and the tools, and back into the view.
    const QRegularExpression round(QStringLiteral(
        "cmdWorld_[0-9]+ .*cmdPause .*cmdReset .*cmdClose .*cboUsername .*wbClient$"));
    QVERIFY2(round.match(order.join(' ')).hasMatch(), qPrintable(order.join(' ')));
    // Shift+Tab goes back out of the game view, into the tools page shown.
    QCOMPARE(press(wbClient, "shift+Tab"), QStringLiteral("cmdRealHS"));
    QCOMPARE(press(wbClient, "shift+Tab"), QStringLiteral("cmdView"));

    mnuMax->trigger();
    QTRY_VERIFY(w->isMaximized());
    if (managed)
        QTRY_COMPARE(w->frameGeometry().size(), w->screen()->availableGeometry().size());
    QCOMPARE(chain(), order);
    // The pages of both tab controls turn with the arrow keys on their tab strip.
    for (const char *name : {"ssWorlds", "ssTools"}) {
        HOPWISE_FIND(TabControl, tabs, w, QLatin1String(name));
        tabs->tabBar()->setFocus();
        QTRY_VERIFY(tabs->tabBar()->hasFocus());
        const int before = tabs->currentIndex();
        press(wbClient, "Right");
        QTRY_COMPARE(tabs->currentIndex(), before + 1);
        press(wbClient, "Tab");
        QWidget *next = QApplication::focusWidget();
        QVERIFY2(tabs->page(before + 1)->isAncestorOf(next), qPrintable(controlName(next)));
    }

    // The clock's values read as shown; its buttons keep their one-letter captions, and what
    // they do is the description.
    HOPWISE_FIND(WorldSwitcher, switcher, w, QString());
    for (int tick = 0; tick < 3725; ++tick)
        switcher->frmMain_tmrWorld_Timer();
    QStringList clock;
    for (const char *name :
         {"lblDays", "lblHours", "lblMinutes", "lblSeconds", "cmdPause", "cmdReset"}) {
        HOPWISE_FIND(QWidget, control, w, QLatin1String(name));
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(control);
        clock << node->text(QAccessible::Name) + ": " + node->text(QAccessible::Description);
    }
    QCOMPARE(clock, (QStringList{"0: Days in world", "1: Hours in world", "2: Minutes in world",
                                 "5: Seconds in world", "P: Pause or resume the clock",
                                 "R: Reset the clock to zero"}));
    // The player-name box reads as what it is for, with what was typed as its value.
    HOPWISE_FIND(QComboBox, cboUsername, w, QStringLiteral("cboUsername"));
    cboUsername->setEditText(QStringLiteral("Zezima"));
    QAccessibleInterface *field = QAccessible::queryAccessibleInterface(cboUsername)->child(1);
    QVERIFY(field && field->role() == QAccessible::EditableText);
    QCOMPARE(field->text(QAccessible::Name) + ": " + field->text(QAccessible::Value),
             QStringLiteral("Player name: Zezima"));

    // From maximised straight back to the start size, not to mode 2's. The focus on a control
    // that goes out of sight comes back to the game view: what is typed next goes nowhere unseen.
    ssTools->setCurrentIndex(2);
    // A mnemonic, as a caption may one day have, reaches only a button in sight.
    HOPWISE_FIND(QPushButton, cmdClose, w, QStringLiteral("cmdClose"));
    cmdClose->setText(QStringLiteral("&Close World"));
    QSignalSpy pressed(cmdClose, &QPushButton::pressed);
    rtfNotes->setFocus();
    QTRY_VERIFY(rtfNotes->hasFocus());
    mnuMax->trigger();
    QTRY_VERIFY(!w->isMaximized());
    QTRY_COMPARE(client->size(), Twips::size(12015, 8415));
    QCOMPARE(shown(), gameViewAlone);
    QTRY_COMPARE(imgBG->size(), w->frameGeometry().size());
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QTRY_COMPARE(controlName(QApplication::focusWidget()), QStringLiteral("wbClient"));
    QCOMPARE(chain(), gameViewAlone);
    QCOMPARE(press(wbClient, "shift+Tab"), QStringLiteral("wbClient"));
    QCOMPARE(ssTools->currentIndex(), 2);
    QTest::keyClick(w, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(pressed.count(), 0);
    mnuMax->trigger();
    QTRY_COMPARE(client->size(), Twips::size(14655, 11175));
    QTest::keyClick(w, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(pressed.count(), 1);

    // With everything on screen, what a screen reader meets on every window and page.
    FrmUpdate prompt(QStringLiteral("1.0.2"), QStringLiteral("2.0.0"));
    const QList<QWidget *> others{Forms::showBrowser(), Forms::showAbout(), &prompt};
    prompt.show();
    QStringList faults;
    for (TabControl *tabs : w->findChildren<TabControl *>()) {
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            walk(QAccessible::queryAccessibleInterface(w), QString(), faults);
        }
    }
    for (QWidget *window : others)
        walk(QAccessible::queryAccessibleInterface(window), QString(), faults);
    faults.removeDuplicates();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    // "Quit" ends everything, the mini browser and the About box too, and runs no unload step.
    // Closing the main window alone is followed in a real program by closingTheMainWindowUnloadsIt.
    prompt.hide();
    QSignalSpy unloaded(w, &FrmMain::formUnloaded);
    HOPWISE_FIND(QAction, mnuQuit, w, QStringLiteral("mnuQuit"));
    mnuQuit->trigger();
    QCOMPARE(unloaded.count(), 0);
    QVERIFY(Forms::isEnding());
    QTRY_COMPARE(windows(), QStringList());
}

// Every window is laid out in fixed places for Tahoma; a face that is wider clips the texts of
// its fixed-size labels and buttons. Run once with Tahoma and once as on a system without it
// (HOPWISE_TEST_FACE=fallback, tst_layoutfit_fallback), where the program picks another face.
void TstShell::textsFit()
{
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")) &&
        qEnvironmentVariable("HOPWISE_TEST_FACE") != QLatin1String("fallback"))
        QSKIP("Tahoma is not installed (fonts-wine); the fallback run covers this system");
    FrmMain main;
    FrmSplash splash;
    FrmUpdate update(QStringLiteral("1.0.2"), QStringLiteral("1.0.10"));
    FrmAbout about;
    FrmBrowser browser;
    QStringList clipped;
    const auto check = [&](QWidget *control, const QString &text, int room, int tall) {
        const QFontMetrics fm(control->font());
        const QStringList lines = text.split(QLatin1Char('\n'));
        int widest = 0;
        for (const QString &line : lines)
            widest = qMax(widest, fm.horizontalAdvance(line));
        const int height = fm.height() * int(lines.size());
        if (widest > room || height > tall)
            QDebug(&clipped.emplace_back())
                << control->window()->objectName() << control->objectName() << text << widest
                << height << "in" << room << tall << QFontInfo(control->font()).family();
    };
    for (QWidget *w : std::initializer_list<QWidget *>{&main, &splash, &update, &about, &browser}) {
        w->ensurePolished();
        for (QLabel *label : w->findChildren<QLabel *>()) {
            if (!label->text().isEmpty() && !label->wordWrap())
                check(label, label->text(), label->contentsRect().width(),
                      label->contentsRect().height());
        }
        for (QAbstractButton *button : w->findChildren<QAbstractButton *>()) {
            // The frame and the focus rectangle take about a character on either side.
            if (!button->text().isEmpty() && !button->objectName().isEmpty())
                check(button, button->text().remove(QLatin1Char('&')),
                      button->width() - QFontMetrics(button->font()).averageCharWidth(),
                      button->height());
        }
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

// The real program under a window manager: closing the main window unloads it while the mini
// browser and the About box stay, and the program ends when the last of them closes.
void TstShell::closingTheMainWindowUnloadsIt()
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

    // Closed the way a player does (the window manager's close key), the main window takes its
    // page, its chat and its sound with it.
    xdotool({"windowactivate", "--sync", main, "key", "alt+F4"});
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
    xdotool({"windowactivate", "--sync", browserLeft, "key", "alt+F4"});
    QTRY_VERIFY(findWindow(pid, QStringLiteral("^HopWise Mini Browser"), true).isEmpty());
    QCOMPARE(findWindow(pid, QStringLiteral("^About HopWise$")), about);
    QCOMPARE(program.state(), QProcess::Running);
    xdotool({"windowactivate", "--sync", about, "key", "alt+F4"});
    QTRY_VERIFY(findWindow(pid, QStringLiteral("^About HopWise$"), true).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 15000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TstShell::updateEndsTheProgram()
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
    QVERIFY2(!prompt.isEmpty(), "no update prompt (or no xdotool: scripts/setup installs it)");
    // Inside "Update" (120, 720 twips; 975 x 375), raised first: other windows may share the
    // display.
    xdotool({"windowraise", prompt, "mousemove", "--window", prompt, "40", "60", "click", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 15000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QFile opened(bin.filePath(QStringLiteral("opened.txt")));
    QTRY_VERIFY(opened.exists());
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll().trimmed(),
             "http://" + web.authority().toLatin1() + "/~users/hopwise/update.exe");
}

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    // As on a system without wine's fonts: the face the program picks then.
    if (qEnvironmentVariable("HOPWISE_TEST_FACE") == QLatin1String("fallback"))
        AppSetup::afterApplication(app, QDir::currentPath() + QStringLiteral("/no-such-folder"));
    else
        AppSetup::afterApplication(app);
    TstShell tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_shell.moc"
