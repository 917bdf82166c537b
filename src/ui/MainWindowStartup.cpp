#include "MainWindow.h"

#include "TrayIcon.h"
#include "pages/LinkConfigPage.h"
#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"
#include "pages/ZelTreePane.h"

#include "Version.h"
#include "core/Language.h"

#include <QTabWidget>

// The window's own steps sit between the gateway's, in the order of a start; the state
// machines start even when a step fails, and the failure still reaches the application's
// exception handler.
void MainWindow::FormCreate()
{
    Gateway::StartSteps steps;
    steps.languageReady = [this] { applyLanguage(); };
    steps.engineMade = [this](Engine& engine) { setEngine(engine); };
    steps.loaded = [this] { showLoadedSettings(); };
    m_gateway.start(QStringLiteral("Main form created"), steps);
}

void MainWindow::applyLanguage()
{
    applyWindowTitle();
    applyCaptions();
    m_trayX1->setTitle(windowTitle());
    m_trayX1->setVisible(TrayIcon::available());
    // The engine starts with nothing requested and nothing shown.
    m_pctlDde->setCurrentIndex(0);
}

void MainWindow::showLoadedSettings()
{
    m_ipPage->showSettings(settings());
    m_officePage->showSettings(settings());
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
