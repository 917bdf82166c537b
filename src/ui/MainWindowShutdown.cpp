#include "MainWindow.h"

#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"

#include "core/Language.h"
#include "core/Log.h"

void MainWindow::FormClose()
{
    // One more try first, so that the question names only what is really lost.
    m_unsavedAtExit = m_engine ? m_engine->saveUnsavedEdits() : QStringList();
    if (m_confirmExit && m_confirmExit())
        startShutdown();
}

QString MainWindow::exitQuestion() const
{
    QString text =
        LangText(1, QStringLiteral("Priva Office alarms will no longer be sent to ZEL-Pro!"));
    if (!m_unsavedAtExit.isEmpty())
        text +=
            QLatin1Char('\r') +
            LangText(116, QStringLiteral("These changes could not be saved and will be lost:")) +
            QLatin1Char(' ') + m_unsavedAtExit.join(QStringLiteral(", "));
    return text + QLatin1Char('\r') + LangText(2, QStringLiteral("Do you really want to exit?"));
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
