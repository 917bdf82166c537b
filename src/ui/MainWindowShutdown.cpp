#include "MainWindow.h"

#include "core/Log.h"
#include "forwarding/MainMachine.h"

void MainWindow::FormClose()
{
    if (m_confirmExit && m_confirmExit())
        startShutdown();
}

void MainWindow::startShutdown()
{
    const WriteResult saved = SaveSettings(m_settingsFile, m_settings);
    if (!saved)
        LogMessage(saved.reason(), LogFileOnly);
    MainMachine& main = m_engine->mainMachine();
    main.ClosingRequested = true;
    main.MainMachineStopped = false;
    m_closeStartTime = UtcNow();
    m_closeTimer.start();
    LogMessage(QStringLiteral("Start closing application"), LogFileOnly);
}

void MainWindow::closeTimerTimer()
{
    // The main machine stops at its next idle step; a machine stuck waiting
    // for an answer gets ten seconds of grace.
    if (m_engine->mainMachine().MainMachineStopped || !WithinSeconds(10, 0, m_closeStartTime)) {
        m_closeTimer.stop();
        Q_EMIT terminateRequested();
    }
}
