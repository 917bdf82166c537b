#include "BackoffRetry.h"

#include <algorithm>

namespace {

// Only when the process runs fixed ticks: how often the machine looks whether an attempt is due.
constexpr int kFixedTickMs = 100;

} // namespace

BackoffRetry::BackoffRetry(std::function<bool()> attempt, int firstSeconds, int longestSeconds,
                           QObject* parent)
    : QObject(parent), m_attempt(std::move(attempt)), m_firstSeconds(firstSeconds),
      m_longestSeconds(std::max(firstSeconds, longestSeconds)), m_wait(firstSeconds),
      m_machine(this)
{
    m_machine.setObjectName(QStringLiteral("tmmRetry"));
    m_machine.setInterval(kFixedTickMs);
    m_machine.setDoState([this](tZelTimeMachine&) { step(); });
    m_machine.setWaitQuery([this] { return waitAfterStep(); });
}

void BackoffRetry::failed()
{
    if (m_pending)
        return;
    m_pending = true;
    m_wait.start();
    // Asleep until the attempt is due; an enabled machine is only woken.
    if (m_machine.Enabled())
        m_machine.wake();
    else
        m_machine.setEnabled(true);
}

void BackoffRetry::succeeded()
{
    m_pending = false;
    m_wait.setSeconds(m_firstSeconds);
}

void BackoffRetry::step()
{
    if (!m_pending || !m_wait.passed())
        return;
    m_pending = false;
    m_wait.setSeconds(std::min(m_wait.seconds() * 2, m_longestSeconds));
    // The attempt may report its own outcome through failed() or succeeded(); both hold twice.
    const bool ok = m_attempt();
    if (ok)
        succeeded();
    else
        failed();
    Q_EMIT attempted(ok);
}

StepWait BackoffRetry::waitAfterStep() const
{
    return m_pending ? m_wait.stepWait() : StepWait::event();
}
