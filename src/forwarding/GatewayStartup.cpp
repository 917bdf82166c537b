#include "GatewayStartup.h"

#include "Version.h"
#include "core/Directories.h"
#include "core/IniFile.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "core/Trace.h"
#include "store/Documents.h"

#include <QDir>
#include <QFile>

#include <cstdio>

GatewayStartup::GatewayStartup(Settings& settings) : m_settings(settings) {}

void GatewayStartup::prepare()
{
    m_settingsFile = settingsFileName();
    Log::instance().setFileName(DataDirectory() + QStringLiteral("/ZELPO.LOG"));
    reportDirectoryProblems();
    readLanguageAndTrace();
    FillLanguageTable(m_settings.language);
    copyDefaultLinkDefs();
}

void GatewayStartup::logProgramStarted(const QString& opening)
{
    LogMessage(opening + QStringLiteral(", program started: version ") +
                   QStringLiteral(ZELPO_VERSION_STRING),
               LogFileOnly);
}

void GatewayStartup::loadSettings()
{
    QDir::setCurrent(programDirectory());
    storeTraceSetting();
    for (const QString& problem : LoadSettings(m_settingsFile, m_settings))
        reportProblem(problem);
    m_watchdogId = m_settings.watchdogId;
}

void GatewayStartup::readLanguageAndTrace()
{
    for (const QString& problem : loadStartupValues(m_settingsFile, m_settings))
        reportProblem(problem);
    TraceEnabled.store(m_settings.traceEnabled);
}

// A program that goes on without a usable data directory cannot rely on its log to say so.
void GatewayStartup::reportDirectoryProblems()
{
    const bool logReachesStandardError = Log::instance().standardErrorCopy();
    for (const QString& problem : {dataDirectoryProblem(), poDataDirectoryProblem()}) {
        if (problem.isEmpty())
            continue;
        if (!logReachesStandardError)
            std::fprintf(stderr, "zelpo: %s\n", qPrintable(problem));
        reportProblem(problem);
    }
}

// Logged and kept on the status bar for as long as the program runs.
void GatewayStartup::reportProblem(const QString& problem)
{
    LogMessage(problem, LogFileOnly);
    if (!m_problems.contains(problem))
        m_problems.append(problem);
}

void GatewayStartup::copyDefaultLinkDefs()
{
    const QString target = linkDefsPath();
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

void GatewayStartup::storeTraceSetting()
{
    const bool trace = TraceEnabled.load();
    const WriteResult written = WriteIniInteger(m_settingsFile, QStringLiteral("PO"),
                                                QStringLiteral("Trace"), trace ? 1 : 0);
    if (!written)
        LogMessage(written.reason(), LogFileOnly);
    if (trace)
        QDir(PoDataDirectory()).mkdir(QStringLiteral("trace"));
}
