#pragma once

#include "ServiceWatchdog.h"
#include "StallWatchdog.h"

#include "core/Settings.h"
#include "forwarding/Engine.h"
#include "forwarding/GatewayStartup.h"
#include "forwarding/OrderlyShutdown.h"

#include <QObject>

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

    Engine& engine() { return *m_engine; }
    const Settings& settings() const { return m_settings; }
    const ServiceWatchdog& watchdog() const { return m_watchdog; }
    // Ends the program through onStall when the main machine takes no step for longer than
    // bound (the Windows service, whose manager has no watchdog); disarmed by stop().
    void watchForStalls(std::chrono::milliseconds bound, StallWatchdog::StallHandler onStall);

Q_SIGNALS:
    // The program ends now.
    void finished();

private:
    Settings m_settings;
    std::unique_ptr<Engine> m_engine;
    GatewayStartup m_startup;
    OrderlyShutdown m_shutdown;
    ServiceWatchdog m_watchdog;
    std::unique_ptr<StallWatchdog> m_stallWatchdog;
};
