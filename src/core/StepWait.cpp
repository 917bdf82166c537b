#include "StepWait.h"

#include <algorithm>
#include <cstdlib>

StepWait StepWait::untilPassed(int seconds, Timestamp since)
{
    const qint64 spanMs = qint64(seconds) * 1000;
    const qint64 elapsed = msBetween(since, UtcNow());
    if (std::abs(elapsed) >= spanMs)
        return now();
    // A time in the future counts as near until it lies the whole span in the past.
    return forMs(spanMs - elapsed);
}

StepWait StepWait::earliest(const StepWait& other) const
{
    if (isNow() || other.isNow())
        return now();
    if (!hasDueTime())
        return other;
    if (!other.hasDueTime())
        return *this;
    return forMs(std::min(m_ms, other.m_ms));
}
