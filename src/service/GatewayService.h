#pragma once

#include "ServiceWatchdog.h"
#include "StallWatchdog.h"

#include "forwarding/Gateway.h"

#include <QObject>

#include <chrono>
#include <memory>

// The gateway without a window: the engine on the same files, settings and start-up steps as
// the window's, reporting to the service manager. It never creates a widget.
class GatewayService : public QObject
{
    Q_OBJECT
public:
    // poPort: the office server's port; the program always uses 8080.
    explicit GatewayService(int poPort = Engine::DefaultPoPort, QObject* parent = nullptr);
    ~GatewayService() override;

    // Runs the start-up steps and starts the state machines, whatever a step did; the service
    // manager hears "ready" at the main machine's first step.
    void start();
    // The orderly shutdown (SIGTERM, SIGINT). The settings are not written: nothing in the
    // service changes them, and writing them back would undo an edit made while it ran.
    void stop();

    // The engine and the watchdog exist once start() has run.
    Engine& engine() { return m_gateway.engine(); }
    const Settings& settings() const { return m_gateway.settings(); }
    const ServiceWatchdog& watchdog() const { return *m_watchdog; }
    // Ends the program through onStall when the main machine takes no step for longer than
    // bound (the Windows service, whose manager has no watchdog); disarmed by stop(). Asked
    // before start(), the watch begins once the engine is made.
    void watchForStalls(std::chrono::milliseconds bound, StallWatchdog::StallHandler onStall);

Q_SIGNALS:
    // The program ends now.
    void finished();

private:
    void watchEngine(Engine& engine);
    void makeStallWatchdog();

    Gateway m_gateway;
    std::unique_ptr<ServiceWatchdog> m_watchdog;
    std::chrono::milliseconds m_stallBound{0};
    StallWatchdog::StallHandler m_onStall;
    std::unique_ptr<StallWatchdog> m_stallWatchdog;
};
