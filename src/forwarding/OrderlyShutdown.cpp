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
        saveUnsavedEdits();
        Q_EMIT finished();
    }
}

// The last chance for an edit whose save failed during the run; what still cannot be written
// is lost with the program, and the log says which.
void OrderlyShutdown::saveUnsavedEdits()
{
    const QStringList unsaved = m_engine.saveUnsavedEdits();
    if (!unsaved.isEmpty())
        LogMessage(QStringLiteral("Changes not saved, lost at the end of the run: ") +
                       unsaved.join(QStringLiteral(", ")),
                   LogFileOnly);
}
