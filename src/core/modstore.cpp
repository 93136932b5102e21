#include "core/modstore.h"

namespace modStore {

QString runningVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(HOPWISE_VERSION_MAJOR)
        .arg(HOPWISE_VERSION_MINOR)
        .arg(HOPWISE_VERSION_PATCH);
}

} // namespace modStore
