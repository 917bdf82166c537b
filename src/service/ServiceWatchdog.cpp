#include "ServiceWatchdog.h"

#include "ServiceNotify.h"
#include "core/Log.h"
#include "core/ZelTimeMachine.h"
#include "forwarding/MainMachine.h"

ServiceWatchdog::ServiceWatchdog(MainMachine& machine, std::chrono::microseconds interval,
                                 QObject* parent)
    : QObject(parent), m_machine(machine.tmmMain()), m_pingGap(interval / 4)
{
    // Woken once per gap, a ping is at most two gaps (half the interval) after the last one.
    const auto gapMs = std::chrono::duration_cast<std::chrono::milliseconds>(m_pingGap).count();
    if (gapMs > 0)
        machine.setLongestSleepMs(gapMs);
    connect(&machine.tmmMain(), &tZelTimeMachine::ticked, this, &ServiceWatchdog::machineStepped);
}

void ServiceWatchdog::machineStepped()
{
    // A machine that reached its stop state steps no more; the program ends shortly.
    if (m_machine.Stopped())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!m_readySent) {
        m_readySent = true;
        m_lastPing = now;
        send("READY=1\nSTATUS=Forwarding office alarms to ZelMeld");
        return;
    }
    if (m_pingGap.count() <= 0 || now - m_lastPing < m_pingGap)
        return;
    m_lastPing = now;
    Q_EMIT pingTried(send("WATCHDOG=1"));
}

bool ServiceWatchdog::send(const char* state)
{
    const WriteResult sent = notifyServiceManager(QByteArray(state));
    if (sent.ok()) {
        m_failing = false;
        return true;
    }
    // Several pings a minute would each log the same failure.
    if (!m_failing)
        LogMessage(sent.reason(), LogFileOnly);
    m_failing = true;
    return false;
}
