#include "MainWindow.h"

#include "StatusBar.h"
#include "TrayIcon.h"
#include "pages/LinkConfigPage.h"
#include "pages/OfficeSettingsPage.h"
#include "pages/ZelSettingsPage.h"

#include "Version.h"
#include "core/Directories.h"
#include "core/IniFile.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Trace.h"
#include "store/Documents.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>

#include <cstdio>

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
    m_settingsFile = settingsFileName();
    Log::instance().setFileName(DataDirectory() + QStringLiteral("/ZELPO.LOG"));
    reportDirectoryProblems();
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
    // The engine starts with nothing requested and nothing shown.
    m_pctlDde->setCurrentIndex(0);
    QDir::setCurrent(programDirectory());
    storeTraceSetting();
    for (const QString& problem : LoadSettings(m_settingsFile, m_settings))
        reportProblem(problem);
    m_ipPage->showSettings(m_settings);
    m_officePage->showSettings(m_settings);
    m_watchdogId = m_ipPage->watchdogId();
    m_engine->setOptions(m_officePage->options());
    m_engine->openDocuments();
    fillDefinitionsGrid();
}

void MainWindow::readLanguageAndTrace()
{
    for (const QString& problem : loadStartupValues(m_settingsFile, m_settings))
        reportProblem(problem);
    TraceEnabled.store(m_settings.traceEnabled);
}

// A program that goes on without a usable data directory cannot rely on its log to say so.
void MainWindow::reportDirectoryProblems()
{
    for (const QString& problem : {dataDirectoryProblem(), poDataDirectoryProblem()}) {
        if (problem.isEmpty())
            continue;
        std::fprintf(stderr, "zelpo: %s\n", qPrintable(problem));
        reportProblem(problem);
    }
}

// Logged and kept on the status bar for as long as the program runs.
void MainWindow::reportProblem(const QString& problem)
{
    LogMessage(problem, LogFileOnly);
    m_engine->addProblem(problem);
}

void MainWindow::copyDefaultLinkDefs()
{
    const QString target = LinkDefsPath();
    const QString seed = programDirectory() + QStringLiteral("/linkdefs.default");
    if (QFile::exists(target) || !QFile::exists(seed))
        return;
    QFile source(seed);
    if (!source.copy(target)) {
        LogMessage(QStringLiteral("Cannot copy ") + seed + QStringLiteral(" to ") + target +
                       QStringLiteral(": ") + source.errorString(),
                   LogFileOnly);
    }
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
}

void MainWindow::storeTraceSetting()
{
    const bool trace = TraceEnabled.load();
    const WriteResult written = WriteIniInteger(m_settingsFile, QStringLiteral("PO"),
                                                QStringLiteral("Trace"), trace ? 1 : 0);
    if (!written)
        LogMessage(written.reason(), LogFileOnly);
    if (trace)
        QDir(PoDataDirectory()).mkdir(QStringLiteral("trace"));
}
