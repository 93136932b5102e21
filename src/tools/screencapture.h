#pragma once

#include <QImage>
#include <QString>

#include <chrono>

class QProcessEnvironment;
class QWidget;

struct ScreenCapture
{
    QImage image;  // null when the capture gave no picture
    QString error; // what went wrong, for the player, when it did
};

// On a Wayland session only the compositor sees the whole screen: a native client cannot grab
// it, and a root-window grab through XWayland shows the X11 windows and black elsewhere.
bool sessionNeedsPortal(const QProcessEnvironment &environment, const QString &platformName);

// Asks the desktop for a picture of the screen through its screenshot portal, without a dialog
// of options. The desktop may still ask the player first, so the answer is awaited for up to
// answerTimeout while the application's other events (painting, timers) go on; input to its
// windows waits until the answer is in.
ScreenCapture
captureScreenThroughPortal(std::chrono::milliseconds answerTimeout = std::chrono::minutes(1));

// The whole screen `window` is on: through the portal on a Wayland session, or when grabbing
// gives nothing and a portal is there; otherwise grabbed directly.
ScreenCapture captureScreen(QWidget *window);
