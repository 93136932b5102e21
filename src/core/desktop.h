#pragma once

#include <QUrl>

#include <functional>

// Hands addresses to the user's own web browser through the desktop's URL handler.
namespace Desktop {

// Returns at once; HopWise needs the browser started, not finished. False when the desktop
// has no handler for the address.
bool openUrl(const QUrl &url);

// Replaces the desktop's handler (tests record the address instead of starting a browser);
// an empty function restores it.
void setOpenUrlHandlerForTesting(std::function<bool(const QUrl &)> handler);

} // namespace Desktop
