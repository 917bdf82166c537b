#pragma once

#include <QObject>

// Tells sleeping state machines that the process clock was set or moved by hand (a test's
// ManualClock), so a sleep until a due time ends when schedule time passes, not real time.
// The system clock never notifies: real time needs no notice.
class ClockChanges : public QObject
{
    Q_OBJECT
public:
    static ClockChanges& instance();

    // Callable from any thread; receivers on other threads get the signal queued.
    void notify() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();

private:
    ClockChanges() = default;
};
