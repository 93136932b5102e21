#include "core/startuptrace.h"

#include <QDateTime>
#include <QtGlobal>

#include <cstdio>

namespace StartupTrace {

bool enabled()
{
    static const bool on = qEnvironmentVariableIntValue("HOPWISE_TRACE_STARTUP") == 1;
    return on;
}

void mark(const char *event)
{
    if (!enabled())
        return;
    std::fprintf(stderr, "hopwise-trace %s %lld\n", event,
                 static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stderr);
}

} // namespace StartupTrace
