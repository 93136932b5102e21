#include "worlds/worldclock.h"

namespace WorldClock {

namespace {

// A counter label holds a plain decimal number; anything else reads as 0 rather than stopping
// the clock.
qint64 value(const QString &label)
{
    bool ok = false;
    const qint64 v = label.toLongLong(&ok);
    return ok ? v : 0;
}

QString text(qint64 v)
{
    return QString::number(v);
}

} // namespace

ClockCounters tick(const ClockCounters &now)
{
    ClockCounters next = now;
    next.seconds = text(value(next.seconds) + 1);
    if (value(next.seconds) == 60) {
        next.seconds = text(0);
        next.minutes = text(value(next.minutes) + 1);
    } else if (value(next.minutes) == 60) {
        next.minutes = text(0);
        next.hours = text(value(next.hours) + 1);
    } else if (value(next.hours) == 24) {
        next.hours = text(0);
        next.days = text(value(next.days) + 1);
    }
    return next;
}

} // namespace WorldClock
