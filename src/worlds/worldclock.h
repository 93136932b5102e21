#pragma once

#include <QtGlobal>

// The time-in-world clock's count. A tick adds one second and then makes at most one carry, so a
// carry from minutes into hours, or from hours into days, shows one tick after the lower counter
// reached its limit.
struct ClockCounters
{
    qint64 days = 0;
    qint64 hours = 0;
    qint64 minutes = 0;
    qint64 seconds = 0;

    bool operator==(const ClockCounters &o) const
    {
        return days == o.days && hours == o.hours && minutes == o.minutes && seconds == o.seconds;
    }
};

namespace WorldClock {

ClockCounters tick(const ClockCounters &now);

} // namespace WorldClock
