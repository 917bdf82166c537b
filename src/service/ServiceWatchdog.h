#pragma once

#include <QObject>

#include <chrono>

class MainMachine;
class tZelTimeMachine;

// Keeps the service manager informed from the main machine's own progress: "ready" at the
// machine's first step, then "alive" at a step once a quarter of the watchdog interval has
// passed since the last one. A machine that stops stepping (a hung step blocks the event loop
// with it) stops the pings, and the manager restarts the program. No timer of its own: a
// timer would keep pinging for a machine that no longer moves. An event-driven machine that
// waits for nothing is woken once per ping gap, so its pings do not thin out while idle.
class ServiceWatchdog : public QObject
{
    Q_OBJECT
public:
    // interval: what the manager expects (serviceWatchdogInterval()); zero sends no pings.
    ServiceWatchdog(MainMachine& machine, std::chrono::microseconds interval,
                    QObject* parent = nullptr);

    bool readySent() const { return m_readySent; }

Q_SIGNALS:
    // Each "alive" note tried, delivered or not.
    void pingTried(bool delivered);

private:
    void machineStepped();
    bool send(const char* state);

    const tZelTimeMachine& m_machine;
    std::chrono::steady_clock::duration m_pingGap;
    std::chrono::steady_clock::time_point m_lastPing;
    bool m_readySent = false;
    bool m_failing = false; // a failure has been logged; said again only after a success
};
