#pragma once

#include "WriteResult.h"

#include <QString>
#include <QStringList>

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

// The loaders keep the default of every key whose stored value they refuse and return one
// text per refusal, naming the key, the stored value and the file, for the caller to log.
// A settings file that exists but cannot be read is one problem: every key keeps its default.

// The values that take effect only at start-up: the language and the trace switch.
[[nodiscard]] QStringList loadStartupValues(const QString& file, Settings& s);

// The connection values, the two alarm-text switches and the watchdog id. A port outside
// 1-65535 or a watchdog id outside 0-9 is refused.
[[nodiscard]] QStringList LoadSettings(const QString& file, Settings& s);

// Writes what the operator confirmed at exit; keys the file holds besides stay as they are.
// A key that fails does not stop the others; the result names every distinct reason.
[[nodiscard]] WriteResult SaveSettings(const QString& file, const Settings& s);

// The port as the settings page saves it: the number formed by the leading
// digits of the text, leading blanks skipped, 0 when there are none.
int portFromText(const QString& text);
