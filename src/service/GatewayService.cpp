#include "GatewayService.h"

#include "ServiceNotify.h"
#include "core/Log.h"

GatewayService::GatewayService(int poPort, QObject* parent) : QObject(parent), m_gateway(poPort)
{
    connect(&m_gateway, &Gateway::finished, this, &GatewayService::finished);
}

GatewayService::~GatewayService() = default;

void GatewayService::start()
{
    Gateway::StartSteps steps;
    steps.engineMade = [this](Engine& engine) { watchEngine(engine); };
    m_gateway.start(QStringLiteral("Service started without a window"), steps);
}

// Both watchdogs follow the main machine's steps from its first one on.
void GatewayService::watchEngine(Engine& engine)
{
    m_watchdog = std::make_unique<ServiceWatchdog>(engine.mainMachine(), serviceWatchdogInterval());
    if (m_onStall)
        makeStallWatchdog();
}

void GatewayService::watchForStalls(std::chrono::milliseconds bound,
                                    StallWatchdog::StallHandler onStall)
{
    m_stallBound = bound;
    m_onStall = std::move(onStall);
    if (m_gateway.hasEngine())
        makeStallWatchdog();
}

void GatewayService::makeStallWatchdog()
{
    m_stallWatchdog =
        std::make_unique<StallWatchdog>(m_gateway.engine().mainMachine(), m_stallBound, m_onStall);
}

void GatewayService::stop()
{
    if (m_gateway.shutdownStarted())
        return;
    if (m_stallWatchdog)
        m_stallWatchdog->disarm();
    const WriteResult told = notifyServiceManager(QByteArrayLiteral("STOPPING=1"));
    if (!told)
        LogMessage(told.reason(), LogFileOnly);
    m_gateway.startShutdown();
}
