#include "MainWindow.h"

#include "TrayIcon.h"
#include "pages/LinkConfigPage.h"
#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"
#include "pages/ZelTreePane.h"

#include "Version.h"
#include "core/Language.h"

#include <QTabWidget>

void MainWindow::FormCreate()
{
    // The state machines start even when a step fails; the failure still
    // reaches the application's exception handler.
    try {
        runStartupSteps();
    } catch (...) {
        m_engine->start();
        throw;
    }
    m_engine->start();
}

// The window's own steps sit between the window-free ones, in the order of a start.
void MainWindow::runStartupSteps()
{
    m_startup.prepare();
    applyWindowTitle();
    m_startup.logProgramStarted(QStringLiteral("Main form created"));
    applyCaptions();
    m_trayX1->setTitle(windowTitle());
    m_trayX1->setVisible(TrayIcon::available());
    // The engine starts with nothing requested and nothing shown.
    m_pctlDde->setCurrentIndex(0);
    m_startup.loadSettingsAndDocuments();
    m_ipPage->showSettings(m_settings);
    m_officePage->showSettings(m_settings);
    m_engine->setOptions(m_officePage->options());
    m_linkPage->zelTree().FillZelTree();
    fillDefinitionsGrid();
}

void MainWindow::applyWindowTitle()
{
    setWindowTitle(QStringLiteral("ZEL-Pro - Priva Office (") +
                   QStringLiteral(ZELPO_VERSION_STRING) + QStringLiteral(") "));
}

void MainWindow::applyCaptions()
{
    m_pctlDde->setTabText(0, LangText(56, QStringLiteral("Link configuration")));
    m_pctlDde->setTabText(1, LangText(57, QStringLiteral("ZEL-Pro tcp/IP settings")));
    m_pctlDde->setTabText(2, LangText(58, QStringLiteral("Priva Office / Other settings")));
    m_linkPage->applyCaptions();
    m_ipPage->applyCaptions();
    m_officePage->applyCaptions();
    m_trayX1->applyCaptions(runsInDutch());
}
