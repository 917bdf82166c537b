#include "GatewayService.h"

#include "core/Log.h"
#include "core/ServiceNotify.h"
#include "forwarding/MainMachine.h"

GatewayService::GatewayService(int poPort, QObject* parent)
    : QObject(parent), m_engine(std::make_unique<Engine>(m_settings, poPort)),
      m_startup(m_settings, *m_engine), m_shutdown(*m_engine),
      m_watchdog(m_engine->mainMachine(), serviceWatchdogInterval())
{
    connect(&m_shutdown, &OrderlyShutdown::finished, this, &GatewayService::finished);
}

GatewayService::~GatewayService() = default;

void GatewayService::start()
{
    // The state machines start even when a step fails; the failure still reaches the
    // application's exception handler.
    try {
        m_startup.prepare();
        m_startup.logProgramStarted(QStringLiteral("Service started without a window"));
        m_startup.loadSettingsAndDocuments();
    } catch (...) {
        m_engine->start();
        throw;
    }
    m_engine->start();
}

void GatewayService::watchForStalls(std::chrono::milliseconds bound,
                                    StallWatchdog::StallHandler onStall)
{
    m_stallWatchdog =
        std::make_unique<StallWatchdog>(m_engine->mainMachine(), bound, std::move(onStall));
}

void GatewayService::stop()
{
    if (m_shutdown.started())
        return;
    if (m_stallWatchdog)
        m_stallWatchdog->disarm();
    const WriteResult told = notifyServiceManager(QByteArrayLiteral("STOPPING=1"));
    if (!told)
        LogMessage(told.reason(), LogFileOnly);
    m_shutdown.start();
}
