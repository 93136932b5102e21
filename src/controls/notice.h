#pragma once

#include <QString>

class QWidget;

// A short message near a control that goes away by itself, for failures the player should hear
// about without being stopped by a dialog. The message widget is a child of the anchor's window
// named "notice"; it shows inside the part of that window on screen, and, while the window is
// minimised or not shown, waits for it to come back.
namespace Notice {

void show(QWidget *anchor, const QString &text, int milliseconds = 6000);

} // namespace Notice
