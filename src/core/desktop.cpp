#include "core/desktop.h"

#include <QDesktopServices>

namespace Desktop {

namespace {

std::function<bool(const QUrl &)> &handlerForTesting()
{
    static std::function<bool(const QUrl &)> handler;
    return handler;
}

} // namespace

bool openUrl(const QUrl &url)
{
    if (const auto &handler = handlerForTesting())
        return handler(url);
    return QDesktopServices::openUrl(url);
}

void setOpenUrlHandlerForTesting(std::function<bool(const QUrl &)> handler)
{
    handlerForTesting() = std::move(handler);
}

} // namespace Desktop
