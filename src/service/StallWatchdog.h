#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class MainMachine;

// Watches the main state machine from a thread of its own: when the machine has taken no step
// for longer than the bound, onStall runs on that thread, once. A hung step blocks the main
// thread's event loop with it, so nothing on that thread could notice. The Windows service
// ends itself from onStall, and the Service Control Manager's recovery action restarts it
// (systemd's watchdog does this job on Linux).
class StallWatchdog : public QObject
{
    Q_OBJECT
public:
    using StallHandler = std::function<void(std::chrono::milliseconds stalledFor)>;

    StallWatchdog(MainMachine& machine, std::chrono::milliseconds bound, StallHandler onStall,
                  QObject* parent = nullptr);
    ~StallWatchdog() override;

    // For the orderly shutdown: the machine stops stepping on purpose, and the shutdown has a
    // bound of its own.
    void disarm();

private:
    void machineStepped();
    void watch();
    std::chrono::steady_clock::duration sinceLastStep() const;

    const std::chrono::milliseconds m_bound;
    const StallHandler m_onStall;
    std::atomic<std::chrono::steady_clock::rep> m_lastStep;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::thread m_thread;
};
