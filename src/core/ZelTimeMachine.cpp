#include "ZelTimeMachine.h"

#include "ClockChanges.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace {

// The longest run of steps before the thread's other events get their turn.
constexpr qint64 kSliceMs = 8;

} // namespace

tZelTimeMachine::tZelTimeMachine(QObject* owner)
    : QObject(owner), m_stepping(processStepping()),
      m_token(std::make_shared<WakeToken>(WakeToken{this}))
{
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &tZelTimeMachine::tick);
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setInterval(0);
    connect(&m_wakeTimer, &QTimer::timeout, this, &tZelTimeMachine::runSlice);
    // A due time must not pass a little early: the step would find nothing due and sleep again.
    m_dueTimer.setSingleShot(true);
    m_dueTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_dueTimer, &QTimer::timeout, this, &tZelTimeMachine::runSlice);
    connect(&ClockChanges::instance(), &ClockChanges::changed, this,
            &tZelTimeMachine::clockChanged);
}

tZelTimeMachine::~tZelTimeMachine() = default;

void tZelTimeMachine::setWaitQuery(WaitQuery query)
{
    m_waitQuery = std::move(query);
}

bool tZelTimeMachine::Enabled() const
{
    return eventDriven() ? m_enabled : m_timer.isActive();
}

void tZelTimeMachine::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!eventDriven()) {
        if (enabled)
            m_timer.start();
        else
            m_timer.stop();
        return;
    }
    if (enabled) {
        wake();
    } else {
        m_wakeTimer.stop();
        m_dueTimer.stop();
        m_asleep = false;
    }
}

void tZelTimeMachine::Stop()
{
    setEnabled(false);
    m_stopped = true;
}

void tZelTimeMachine::tick()
{
    if (eventDriven()) {
        // One batch of steps by hand; an enabled machine then looks at its new state itself.
        runSteps();
        Q_EMIT ticked();
        if (m_enabled && !m_running)
            wake();
        return;
    }
    // No tick may arrive while steps run, even if a step spins an event loop.
    setEnabled(false);
    // Re-enable in every case, also when a step throws: a machine must keep
    // running after an error its own handler did not catch.
    struct Reenable
    {
        tZelTimeMachine* machine;
        ~Reenable() { machine->setEnabled(true); }
    } reenable{this};
    runSteps();
    Q_EMIT ticked();
}

void tZelTimeMachine::runSteps()
{
    if (!m_doState)
        return;
    if (m_loopCount == 0)
        m_loopCount = 1;
    for (int i = 0; i < m_loopCount && !m_stopped; ++i)
        m_doState(*this);
}

void tZelTimeMachine::wake()
{
    if (!eventDriven() || !m_enabled || m_stopped)
        return;
    if (m_running) {
        m_wokenWhileRunning = true;
        return;
    }
    m_asleep = false;
    m_dueTimer.stop();
    m_wakeTimer.start();
}

std::function<void()> tZelTimeMachine::crossThreadWaker() const
{
    const std::weak_ptr<WakeToken> weak = m_token;
    return [weak] {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        // The token is checked on the application's thread, where the machine lives and dies.
        QMetaObject::invokeMethod(
            app,
            [weak] {
                if (const std::shared_ptr<WakeToken> token = weak.lock())
                    token->machine->wake();
            },
            Qt::QueuedConnection);
    };
}

void tZelTimeMachine::runSlice()
{
    if (!eventDriven() || !m_enabled || m_stopped || m_running)
        return;
    m_wakeTimer.stop();
    m_dueTimer.stop();
    m_asleep = false;
    m_running = true;
    QElapsedTimer slice;
    slice.start();
    StepWait wait = StepWait::now();
    try {
        for (;;) {
            m_wokenWhileRunning = false;
            const int stateBefore = m_state;
            runSteps();
            Q_EMIT ticked();
            if (m_stopped || !m_enabled)
                break;
            // A machine sleeps only in a state whose own step has run and kept it there.
            wait = m_state != stateBefore ? StepWait::now() : m_waitQuery();
            if (!wait.isNow() && !m_wokenWhileRunning)
                break;
            if (slice.elapsed() >= kSliceMs) {
                wait = StepWait::now();
                break;
            }
        }
    } catch (...) {
        // A step that failed without its own handler still leaves a running machine.
        m_running = false;
        sleep(StepWait::now());
        throw;
    }
    m_running = false;
    if (!m_stopped && m_enabled)
        sleep(wait);
}

void tZelTimeMachine::sleep(const StepWait& wait)
{
    if (wait.isNow()) {
        m_wakeTimer.start();
        return;
    }
    qint64 dueMs = wait.hasDueTime() ? wait.ms() : std::numeric_limits<int>::max();
    if (m_longestSleepMs > 0)
        dueMs = std::min(dueMs, m_longestSleepMs);
    if (wait.hasDueTime() || m_longestSleepMs > 0)
        m_dueTimer.start(int(std::min<qint64>(dueMs, std::numeric_limits<int>::max())));
    m_asleep = true;
    Q_EMIT fellAsleep();
}

// A clock set by hand may have passed the due time of a sleep; the step itself decides.
void tZelTimeMachine::clockChanged()
{
    if (m_asleep && m_dueTimer.isActive())
        wake();
}
