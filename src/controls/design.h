#pragma once

#include "controls/twips.h"

#include <QFont>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <type_traits>

// The look every HopWise window is laid out for: Tahoma at 8.25 points, controls at fixed places
// given in twips.
namespace Design {

inline QFont font(bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(8.25);
    f.setBold(bold);
    return f;
}

// A control with its design name (also its object name, so tests and tools find it), its design
// text and its place. Labels show their text as plain text: some of it comes from servers.
template<class T>
T *create(QWidget *parent, const QString &name, const QString &text, int left, int top, int width,
          int height)
{
    auto *control = new T(text, parent);
    control->setObjectName(name);
    if constexpr (std::is_base_of_v<QLabel, T>)
        control->setTextFormat(Qt::PlainText);
    Twips::place(control, left, top, width, height);
    return control;
}

// What closing a window does.
enum class Closing
{
    Unloads,     // the window object goes with it
    StaysLoaded, // the object lives for the whole run; while on screen it keeps the program running
};

// Sets a top-level window up as the design draws it: its design name (also its object name),
// caption and frame, what closing it does, the program's icon or none, and a fixed client area
// in twips (an empty size: the player may resize it).
void setUpWindow(QWidget *window, const char *name, const QString &title, Qt::WindowFlags flags,
                 Closing closing, bool icon, QSize fixedTwips);

// White text, for labels on a dark backdrop.
void whiteText(QWidget *control);

// The picture stretched behind a window's controls (`imgBG`, below every other child), from the
// program's resources; the window gives it its place.
QLabel *backdrop(QWidget *parent, const QString &resource);

// Moves a window so that its outer frame is centred on its screen's available area; before the
// window manager has framed it, its outer frame is its own size.
void centreOnScreen(QWidget *window);

} // namespace Design
