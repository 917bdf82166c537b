#pragma once

#include "Clock.h"

// Counts unhandled exceptions and decides when they come in a storm: the
// first exception after the 100th since the last reset that follows its
// predecessor within one second ends the program.
class ExceptionStorm
{
public:
    // Records one exception; true when the program must terminate now.
    bool recordException();
    void reset();

    int ExceptionCount() const { return m_count; }
    Timestamp LastExceptionTime() const { return m_lastTime; }

private:
    int m_count = 0;
    Timestamp m_lastTime = 0.0; // local clock
};
