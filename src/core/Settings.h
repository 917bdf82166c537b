#pragma once

#include <QString>

// The working values of the settings; the settings pages bind to this object later.
struct Settings
{
    QString language = QStringLiteral("ENG");
    bool traceEnabled = false;
    QString zelHost = QStringLiteral("127.0.0.1");
    int zelPort = 8132;
    QString poServer = QStringLiteral("127.0.0.1");
    bool sendPcu = true;
    bool filterPunct = false;
    int watchdogId = 1;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// "ZelLocal.INI" in the data directory.
QString settingsFileName();

// The values that take effect only at start-up: the language and the trace switch.
void loadStartupValues(const QString& file, Settings& s);

// The connection values, the two alarm-text switches and the watchdog id.
void LoadSettings(const QString& file, Settings& s);

// Writes what the operator confirmed at exit; keys the file holds besides stay as they are.
void SaveSettings(const QString& file, const Settings& s);

// The port as the settings page saves it: the number formed by the leading
// digits of the text, leading blanks skipped, 0 when there are none.
int portFromText(const QString& text);
