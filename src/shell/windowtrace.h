#pragma once

#include "core/startuptrace.h"

class QWebEngineView;
class QWidget;

// The start-up trace's events that windows raise; they need the widgets, which the trace's own
// layer does not link.
namespace StartupTrace {

// Marks `event` once, when `window` is first painted.
void markFirstPaint(QWidget *window, const char *event);
// Marks `event` once, when `view` has first finished loading a page.
void markFirstLoad(QWebEngineView *view, const char *event);

} // namespace StartupTrace
