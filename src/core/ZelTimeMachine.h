#pragma once

#include "StepWait.h"
#include "Stepping.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <type_traits>

// Runs a numbered state machine one small step at a time on the thread that owns it.
//
// Two ways to drive it. Fixed ticks: a periodic timer, LoopCount steps per tick. Event-driven
// (once the owner gives a wait query, unless the process asks for fixed ticks): after each
// step the query says what the machine waits for; the machine steps on at once, sleeps until
// wake() or sleeps until a due time, whichever comes first. Steps run in slices of a few
// milliseconds, so the thread's other events (the window) are never held up for long.
class tZelTimeMachine : public QObject
{
    Q_OBJECT
public:
    using StateHandler = std::function<void(tZelTimeMachine& sender)>;
    using WaitQuery = std::function<StepWait()>;

    explicit tZelTimeMachine(QObject* owner = nullptr);
    ~tZelTimeMachine() override;

    // The state number and its label: the owner's step sets them, everyone else reads them.
    int State() const { return m_state; }
    const QString& StateText() const { return m_stateText; }
    void setState(int state) { m_state = state; }
    // A machine with its own enumeration of states keeps the enumerators' numbers here, so log
    // lines and diagnostics show the same numbers either way.
    template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>> E stateAs() const
    {
        return static_cast<E>(m_state);
    }
    template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>> void setState(E state)
    {
        m_state = static_cast<int>(state);
    }
    void setStateText(const QString& text) { m_stateText = text; }

    int LoopCount() const { return m_loopCount; }
    void setLoopCount(int count) { m_loopCount = count; }

    void setDoState(StateHandler handler) { m_doState = std::move(handler); }

    // Makes the machine event-driven unless the process runs fixed ticks (processStepping()).
    void setWaitQuery(WaitQuery query);
    // For tests that compare both ways inside one process.
    void setStepping(Stepping stepping) { m_stepping = stepping; }
    bool eventDriven() const { return m_waitQuery && m_stepping == Stepping::Events; }

    bool Enabled() const;
    void setEnabled(bool enabled);

    int Interval() const { return m_timer.interval(); }
    void setInterval(int ms) { m_timer.setInterval(ms); }

    bool Stopped() const { return m_stopped; }
    void Stop();

    // One timer tick (fixed ticks), or one slice of steps (event-driven); public so that
    // tests can step a machine directly.
    void tick();

    // Event-driven: run steps soon. Call on the machine's thread; does nothing otherwise.
    void wake();
    // A function that wakes this machine from any thread, and does nothing once the machine
    // is gone. Needs the application object's event loop.
    std::function<void()> crossThreadWaker() const;
    // Event-driven and waiting: no step is pending until a wake-up or a due time.
    bool asleep() const { return m_asleep; }
    // Event-driven: no sleep lasts longer than this (0: no bound), so whoever follows ticked()
    // to see the machine is alive hears from it even while it waits for nothing.
    void setLongestSleepMs(qint64 ms) { m_longestSleepMs = ms; }

Q_SIGNALS:
    // After each tick (fixed ticks) or each step batch (event-driven).
    void ticked();
    // Event-driven: the machine has started to wait.
    void fellAsleep();

private:
    void runSlice();
    void runSteps();
    void sleep(const StepWait& wait);
    void clockChanged();

    struct WakeToken
    {
        tZelTimeMachine* machine;
    };

    int m_state = 0;
    QString m_stateText;
    QTimer m_timer;
    QTimer m_wakeTimer;
    QTimer m_dueTimer;
    StateHandler m_doState;
    WaitQuery m_waitQuery;
    Stepping m_stepping;
    std::shared_ptr<WakeToken> m_token;
    int m_loopCount = 1;
    bool m_stopped = false;
    bool m_enabled = false;
    bool m_running = false;
    bool m_wokenWhileRunning = false;
    bool m_asleep = false;
    qint64 m_longestSleepMs = 0;
};
