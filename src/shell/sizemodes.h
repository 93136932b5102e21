#pragma once

#include <QSize>

// The main window's three size modes. The design gives each as an outer size drawn for a frame
// of 90 twips across and 780 down (borders, title bar, menu bar). What the player must see is
// the client area those numbers leave, so that is what the window gets, whatever frame a window
// manager adds or leaves off.
namespace SizeModes {

constexpr int DesignFrameWidthTwips = 90;
constexpr int DesignFrameHeightTwips = 780;

// The design's outer size in twips; invalid for mode 3 (maximised) and unknown modes.
inline QSize outerTwips(int mode)
{
    switch (mode) {
    case 1:
        return QSize(12105, 9195);
    case 2:
        return QSize(14745, 11955);
    }
    return QSize();
}

// The client area below the menu bar, in twips; invalid where outerTwips is.
inline QSize clientTwips(int mode)
{
    const QSize outer = outerTwips(mode);
    if (!outer.isValid())
        return QSize();
    return outer - QSize(DesignFrameWidthTwips, DesignFrameHeightTwips);
}

} // namespace SizeModes
