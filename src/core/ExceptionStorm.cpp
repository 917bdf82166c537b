#include "ExceptionStorm.h"

bool ExceptionStorm::recordException()
{
    const Timestamp now = localNow();
    ++m_count;
    if (m_count > 100) {
        if (msBetween(m_lastTime, now) < 1000)
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
