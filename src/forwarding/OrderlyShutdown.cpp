#include "OrderlyShutdown.h"

#include "Engine.h"

#include "core/Log.h"

OrderlyShutdown::OrderlyShutdown(Engine& engine, QObject* parent)
    : QObject(parent), m_engine(engine)
{
    m_closeTimer.setInterval(100);
    connect(&m_closeTimer, &QTimer::timeout, this, &OrderlyShutdown::closeTimerTimer);
}

void OrderlyShutdown::start()
{
    m_engine.requestClose();
    m_closeStartTime = UtcNow();
    m_closeTimer.start();
    LogMessage(QStringLiteral("Start closing application"), LogFileOnly);
}

void OrderlyShutdown::closeTimerTimer()
{
    // The main machine stops at its next idle step; a machine stuck waiting
    // for an answer gets ten seconds of grace.
    if (m_engine.mainMachineStopped() || !WithinSeconds(10, 0, m_closeStartTime)) {
        m_closeTimer.stop();
        Q_EMIT finished();
    }
}
