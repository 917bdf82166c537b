#include "MainWindow.h"

#include "StatusBar.h"
#include "TrayIcon.h"

#include "Version.h"
#include "core/Directories.h"
#include "core/IniFile.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Trace.h"
#include "forwarding/MainMachine.h"
#include "store/Documents.h"

#include <QDir>
#include <QFile>
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

void MainWindow::runStartupSteps()
{
    m_settingsFile = SettingsFileName();
    Log::instance().setFileName(DataDirectory() + QStringLiteral("/ZELPO.LOG"));
    readLanguageAndTrace();
    FillLanguageTable(m_settings.language);
    copyDefaultLinkDefs();
    applyWindowTitle();
    LogMessage(QStringLiteral("Main form created, program started: version ") +
                   QStringLiteral(ZELPO_VERSION_STRING),
               LogFileOnly);
    applyCaptions();
    m_trayX1->setToolTip(windowTitle());
    m_trayX1->setVisible(TrayIcon::available());
    MainMachine& main = m_engine->mainMachine();
    main.ShownLinkState = 0;
    main.MainMachineStopped = false;
    main.ClosingRequested = false;
    m_pctlDde->setCurrentIndex(0);
    QDir::setCurrent(ProgramDirectory());
    main.RefreshRequested = false;
    storeTraceSetting();
    LoadSettings(m_settingsFile, m_settings);
    m_watchdogId = m_settings.watchdogId;
    m_engine->options() = {m_settings.sendPcu, m_settings.filterPunct};
    m_engine->openDocuments();
    fillDefinitionsGrid();
}

void MainWindow::readLanguageAndTrace()
{
    LoadStartupValues(m_settingsFile, m_settings);
    TraceEnabled.store(m_settings.traceEnabled);
}

void MainWindow::copyDefaultLinkDefs()
{
    const QString target = LinkDefsPath();
    if (!QFile::exists(target))
        QFile::copy(ProgramDirectory() + QStringLiteral("/linkdefs.default"), target);
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
}

void MainWindow::storeTraceSetting()
{
    const bool trace = TraceEnabled.load();
    WriteIniInteger(m_settingsFile, QStringLiteral("PO"), QStringLiteral("Trace"), trace ? 1 : 0);
    if (trace)
        QDir(PoDataDirectory()).mkdir(QStringLiteral("trace"));
}
