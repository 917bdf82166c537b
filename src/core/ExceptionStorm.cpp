#include "ExceptionStorm.h"

#include <cmath>

namespace {

qint64 millisecondsBetween(Timestamp from, Timestamp to)
{
    return std::llround((to - from) * SecondsPerDay * 1000.0);
}

} // namespace

bool ExceptionStorm::recordException()
{
    const Timestamp now = localNow();
    ++m_count;
    if (m_count > 100) {
        if (millisecondsBetween(m_lastTime, now) < 1000)
            return true;
        m_count = 0;
    }
    m_lastTime = now;
    return false;
}

void ExceptionStorm::reset()
{
    m_count = 0;
    m_lastTime = 0.0;
}
