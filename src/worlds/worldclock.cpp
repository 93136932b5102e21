#include "worlds/worldclock.h"

namespace WorldClock {

ClockCounters tick(const ClockCounters &now)
{
    ClockCounters next = now;
    ++next.seconds;
    if (next.seconds == 60) {
        next.seconds = 0;
        ++next.minutes;
    } else if (next.minutes == 60) {
        next.minutes = 0;
        ++next.hours;
    } else if (next.hours == 24) {
        next.hours = 0;
        ++next.days;
    }
    return next;
}

} // namespace WorldClock
