#pragma once

#include <QString>
#include <QStringList>

struct Settings;

// The start-up steps that need no engine, run in the same order by the window and by the
// service (see Gateway): settings, language, log and data directories first, then the
// connection settings. The engine is made from what they read.
class GatewayStartup
{
public:
    // settings: the working values the steps fill in; they must outlive this object.
    explicit GatewayStartup(Settings& settings);

    // The settings file and the log file, the problems of the data directories, the language
    // and the trace switch, the language table, and LinkDefs.xml from its seed when missing.
    void prepare();
    // The first log line of a run: what started, then the program's version.
    void logProgramStarted(const QString& opening);
    // The working directory, the stored trace switch, the connection settings, the watchdog
    // id and the alarm-text switches.
    void loadSettings();

    const QString& settingsFile() const { return m_settingsFile; }
    // What the steps found wrong, logged already, for the status bar; oldest first.
    const QStringList& problems() const { return m_problems; }
    int watchdogId() const { return m_watchdogId; }

private:
    void readLanguageAndTrace();
    void reportDirectoryProblems();
    void reportProblem(const QString& problem);
    void copyDefaultLinkDefs();
    void storeTraceSetting();

    Settings& m_settings;
    QString m_settingsFile;
    QStringList m_problems;
    int m_watchdogId = 1;
};
