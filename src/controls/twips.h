#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <QtMath>

// Every position and size in HopWise's layouts is given in twips (1/1440 inch); at 96 dots per
// inch 15 twips make one logical pixel. Layout code stays in twips so that it can be checked
// against the design tables directly.
namespace Twips {

constexpr int PerPixel = 15;

constexpr int toPx(int twips)
{
    // Round half away from zero, as the design tables are multiples of 15 almost everywhere.
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}

constexpr int fromPx(int px)
{
    return px * PerPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPx(left), toPx(top), toPx(width), toPx(height));
}

inline QSize size(int width, int height)
{
    return QSize(toPx(width), toPx(height));
}

inline void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(rect(left, top, width, height));
}

} // namespace Twips
