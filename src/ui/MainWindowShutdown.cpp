#include "MainWindow.h"

#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"

#include "core/Log.h"

void MainWindow::FormClose()
{
    if (m_confirmExit && m_confirmExit())
        startShutdown();
}

void MainWindow::startShutdown()
{
    const WriteResult saved = SaveSettings(m_settingsFile, settingsToSave());
    if (!saved)
        LogMessage(saved.reason(), LogFileOnly);
    m_engine->requestClose();
    m_closeStartTime = UtcNow();
    m_closeTimer.start();
    LogMessage(QStringLiteral("Start closing application"), LogFileOnly);
}

// What the pages hold. The working values stay as they were read at start-up: the engine
// runs on them until the program ends.
Settings MainWindow::settingsToSave() const
{
    Settings toSave = m_settings;
    m_ipPage->readSettings(toSave);
    m_officePage->readSettings(toSave);
    return toSave;
}

void MainWindow::closeTimerTimer()
{
    // The main machine stops at its next idle step; a machine stuck waiting
    // for an answer gets ten seconds of grace.
    if (m_engine->mainMachineStopped() || !WithinSeconds(10, 0, m_closeStartTime)) {
        m_closeTimer.stop();
        Q_EMIT terminateRequested();
    }
}
