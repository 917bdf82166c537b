#include "Gateway.h"

#include "OrderlyShutdown.h"

Gateway::Gateway(int poPort, QObject* parent)
    : QObject(parent), m_poPort(poPort), m_startup(m_settings)
{
}

Gateway::~Gateway() = default;

void Gateway::start(const QString& opening, const StartSteps& steps)
{
    // The state machines start even when a step fails; the failure still reaches the
    // application's exception handler.
    try {
        runSteps(opening, steps);
    } catch (...) {
        if (!m_engine)
            makeEngine(steps);
        m_engine->start();
        throw;
    }
    m_engine->start();
}

void Gateway::runSteps(const QString& opening, const StartSteps& steps)
{
    m_startup.prepare();
    m_startup.logProgramStarted(opening);
    if (steps.languageReady)
        steps.languageReady();
    m_startup.loadSettings();
    makeEngine(steps);
    m_engine->openDocuments();
    if (steps.loaded)
        steps.loaded();
}

// The engine's parts keep reading the settings, so it is made once they hold what was read.
void Gateway::makeEngine(const StartSteps& steps)
{
    m_engine = std::make_unique<Engine>(m_settings, m_poPort);
    m_shutdown = std::make_unique<OrderlyShutdown>(*m_engine);
    connect(m_shutdown.get(), &OrderlyShutdown::finished, this, &Gateway::finished);
    if (steps.engineMade)
        steps.engineMade(*m_engine);
    // What start-up found wrong so far stays on the status bar for the whole run.
    for (const QString& problem : m_startup.problems())
        m_engine->addProblem(problem);
}

void Gateway::startShutdown()
{
    // Nothing runs yet that could be stopped in order.
    if (!m_shutdown) {
        Q_EMIT finished();
        return;
    }
    m_shutdown->start();
}

bool Gateway::shutdownStarted() const
{
    return m_shutdown && m_shutdown->started();
}
