#pragma once

#include <QString>

class Engine;
struct Settings;

// The start-up steps that need no window, run in the same order by the window and by the
// service: settings, language, log and data directories first, then the connection settings
// and the three documents. The window puts its own steps (title, captions, tray) in between.
class GatewayStartup
{
public:
    // settings: the working values the engine reads; both must outlive this object.
    GatewayStartup(Settings& settings, Engine& engine);

    // The settings file and the log file, the problems of the data directories, the language
    // and the trace switch, the language table, and LinkDefs.xml from its seed when missing.
    void prepare();
    // The first log line of a run: what started, then the program's version.
    void logProgramStarted(const QString& opening);
    // The working directory, the stored trace switch, the connection settings, the watchdog
    // id and the alarm-text switches, then the three documents.
    void loadSettingsAndDocuments();

    const QString& settingsFile() const { return m_settingsFile; }
    int watchdogId() const { return m_watchdogId; }

private:
    void readLanguageAndTrace();
    void reportDirectoryProblems();
    void reportProblem(const QString& problem);
    void copyDefaultLinkDefs();
    void storeTraceSetting();

    Settings& m_settings;
    Engine& m_engine;
    QString m_settingsFile;
    int m_watchdogId = 1;
};
