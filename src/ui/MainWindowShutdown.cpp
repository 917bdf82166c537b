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
    const WriteResult saved = SaveSettings(SettingsFile(), settingsToSave());
    if (!saved)
        LogMessage(saved.reason(), LogFileOnly);
    m_gateway.startShutdown();
}

// What the pages hold. The working values stay as they were read at start-up: the engine
// runs on them until the program ends.
Settings MainWindow::settingsToSave() const
{
    Settings toSave = settings();
    m_ipPage->readSettings(toSave);
    m_officePage->readSettings(toSave);
    return toSave;
}
