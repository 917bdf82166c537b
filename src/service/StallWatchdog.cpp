#include "StallWatchdog.h"

#include "core/ZelTimeMachine.h"
#include "forwarding/MainMachine.h"

#include <algorithm>

namespace {

std::chrono::steady_clock::rep nowTicks()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

} // namespace

StallWatchdog::StallWatchdog(MainMachine& machine, std::chrono::milliseconds bound,
                             StallHandler onStall, QObject* parent)
    : QObject(parent), m_bound(bound), m_onStall(std::move(onStall)), m_lastStep(nowTicks())
{
    // An idle event-driven machine wakes within a quarter of the bound, so waiting for nothing
    // never counts as a stall.
    machine.setLongestSleepMs(std::max<qint64>(1, bound.count() / 4));
    connect(&machine.tmmMain(), &tZelTimeMachine::ticked, this, &StallWatchdog::machineStepped);
    m_thread = std::thread([this] { watch(); });
}

StallWatchdog::~StallWatchdog()
{
    disarm();
}

void StallWatchdog::disarm()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void StallWatchdog::machineStepped()
{
    m_lastStep = nowTicks();
}

std::chrono::steady_clock::duration StallWatchdog::sinceLastStep() const
{
    return std::chrono::steady_clock::duration(nowTicks() - m_lastStep.load());
}

void StallWatchdog::watch()
{
    // Looked at ten times per bound: a stall is noticed at most a tenth of the bound late.
    const auto lookEvery =
        std::max<std::chrono::milliseconds>(m_bound / 10, std::chrono::milliseconds(1));
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, lookEvery, [this] { return m_quit; })) {
        const auto stalled = sinceLastStep();
        if (stalled > m_bound) {
            m_onStall(std::chrono::duration_cast<std::chrono::milliseconds>(stalled));
            return;
        }
    }
}
