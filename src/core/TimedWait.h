#pragma once

#include "Clock.h"
#include "StepWait.h"

// One time-out or period, defined once. The step that decides it asks passed(), the
// event-driven wake-up asks stepWait(); both read the same seconds and the same start, so a
// machine can neither sleep past its time-out nor wake before it and spin.
class TimedWait
{
public:
    explicit TimedWait(int seconds) : m_seconds(seconds) {}

    // The wait begins now.
    void start() { m_start = UtcNow(); }
    // The length of the next waits (a period that changes after its first run).
    void setSeconds(int seconds) { m_seconds = seconds; }

    int seconds() const { return m_seconds; }
    Timestamp startedAt() const { return m_start; }
    // The whole span lies behind the start: WithinSeconds(seconds, 0, start) is false.
    bool passed() const { return !WithinSeconds(m_seconds, 0, m_start); }
    // When to look again: at once when passed, else when it will have passed.
    StepWait stepWait() const { return StepWait::untilPassed(m_seconds, m_start); }

private:
    int m_seconds;
    Timestamp m_start = 0.0;
};
