#pragma once

#include "Clock.h"

#include <QtGlobal>

// What an event-driven state machine waits for once its last step is done: nothing (step
// again at once), only a wake-up by an event, or an event or a due time, whichever comes
// first. Due times are whole milliseconds from now, measured as WithinSeconds measures them,
// so a machine woken at its due time finds the time-out reached.
class StepWait
{
public:
    static StepWait now() { return StepWait(Kind::Now, 0); }
    static StepWait event() { return StepWait(Kind::Event, 0); }
    // Woken by an event or after ms; 0 or less is now.
    static StepWait forMs(qint64 ms) { return ms <= 0 ? now() : StepWait(Kind::Due, ms); }
    // Woken by an event or when WithinSeconds(seconds, 0, since) turns false.
    static StepWait untilPassed(int seconds, Timestamp since);

    // The wait that ends first of the two.
    StepWait earliest(const StepWait& other) const;

    bool isNow() const { return m_kind == Kind::Now; }
    bool hasDueTime() const { return m_kind == Kind::Due; }
    qint64 ms() const { return m_ms; }

private:
    enum class Kind
    {
        Now,
        Due,
        Event
    };
    StepWait(Kind kind, qint64 ms) : m_kind(kind), m_ms(ms) {}

    Kind m_kind;
    qint64 m_ms;
};
