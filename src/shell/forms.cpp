#include "shell/forms.h"

#include "controls/webbrowser.h"
#include "shell/frmmain.h"
#include "shell/windowtrace.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWebEngineView>
#include <QWidget>

namespace Forms {

namespace {

QPointer<FrmBrowser> g_browser;
QPointer<FrmAbout> g_about;
QPointer<FrmMain> g_main;
bool g_ending = false;

} // namespace

FrmBrowser *showBrowser()
{
    if (!g_browser)
        g_browser = new FrmBrowser;
    g_browser->show();
    g_browser->raise();
    g_browser->activateWindow();
    return g_browser;
}

FrmBrowser *browser()
{
    return g_browser;
}

FrmAbout *showAbout()
{
    // The About box object lives for the whole run: what it fetched survives a close.
    if (!g_about)
        g_about = new FrmAbout;
    g_about->show();
    g_about->raise();
    g_about->activateWindow();
    return g_about;
}

FrmAbout *about()
{
    return g_about;
}

FrmMain *preloadMain()
{
    if (!g_main) {
        g_main = new FrmMain;
        QObject::connect(g_main, &FrmMain::browserRequested, g_main,
                         [](const QString &url) { showBrowser()->browser()->Navigate(url); });
        QObject::connect(g_main, &FrmMain::aboutRequested, g_main, &showAbout);
        QObject::connect(g_main, &FrmMain::endRequested, g_main, &endProgram);
        StartupTrace::markFirstPaint(g_main, "main-shown");
        StartupTrace::markFirstLoad(g_main->findChild<QWebEngineView *>(QStringLiteral("wbClient")),
                                    "home-loaded");
    }
    return g_main;
}

FrmMain *showMain()
{
    preloadMain();
    g_main->show();
    g_main->raise();
    g_main->activateWindow();
    return g_main;
}

FrmMain *mainWindow()
{
    return g_main;
}

void endProgram()
{
    g_ending = true;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible())
            w->close();
    }
    // Only a running event loop can be left; exit() without one would make every later local
    // loop (a blocking fetch) return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

bool isEnding()
{
    return g_ending;
}

void resetForTesting()
{
    g_ending = false;
    delete g_browser;
    delete g_about;
    delete g_main;
}

} // namespace Forms
