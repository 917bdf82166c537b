#include "MainWindow.h"

#include "core/Log.h"

void MainWindow::FormClose()
{
    if (m_confirmExit && m_confirmExit())
        startShutdown();
}

void MainWindow::startShutdown()
{
    const WriteResult saved = SaveSettings(SettingsFile(), m_settings);
    if (!saved)
        LogMessage(saved.reason(), LogFileOnly);
    m_shutdown.start();
}
