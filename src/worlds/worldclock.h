#pragma once

#include <QString>

// The time-in-world clock counts timer ticks, and its four counter labels are its whole state.
// A tick adds one second and then makes at most one carry, so a carry from minutes into hours,
// or from hours into days, shows one tick after the lower counter reached its limit.
struct ClockCounters
{
    QString days = QStringLiteral("0");
    QString hours = QStringLiteral("0");
    QString minutes = QStringLiteral("0");
    QString seconds = QStringLiteral("0");

    bool operator==(const ClockCounters &o) const
    {
        return days == o.days && hours == o.hours && minutes == o.minutes && seconds == o.seconds;
    }
};

namespace WorldClock {

ClockCounters tick(const ClockCounters &now);

} // namespace WorldClock
