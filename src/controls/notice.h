#pragma once

#include <QString>

class QWidget;

// A short message near a control that goes away by itself, for failures the player should hear
// about without being stopped by a dialog. The message widget is a child of the anchor's window
// named "notice".
namespace Notice {

void show(QWidget *anchor, const QString &text, int milliseconds = 6000);

} // namespace Notice
