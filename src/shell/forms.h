#pragma once

class FrmAbout;
class FrmBrowser;
class FrmMain;

// The program's secondary windows. Each is modeless and independent of the main window.
namespace Forms {

// Shows the mini browser, loading it first when it is not loaded; an open one stays open.
FrmBrowser *showBrowser();
// The mini browser when it is loaded, else null.
FrmBrowser *browser();
// Shows the About box, loading it (and fetching the credits) when it is not on screen.
FrmAbout *showAbout();
FrmAbout *about();

// The main window is built ahead, hidden, while the splash is up (the web view takes long to
// build); showing it then runs its load step. showMain builds it when nobody did.
FrmMain *preloadMain();
FrmMain *showMain();
FrmMain *mainWindow();

// Ends the program at once: every window closes and no window's unload step runs.
void endProgram();
bool isEnding();
// Tests start each case with a clean slate.
void resetForTesting();

} // namespace Forms
