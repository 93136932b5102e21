#include "shell/forms.h"

#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace Forms {

namespace {

QPointer<FrmBrowser> g_browser;
QPointer<FrmAbout> g_about;
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

void endProgram()
{
    g_ending = true;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible())
            w->close();
    }
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
}

} // namespace Forms
