#pragma once

#include <QString>

// The operating system's own log, for the lines of a program nobody watches: the Windows
// service's start, stop and failures go to the Windows event log (source "ZelPO"). Elsewhere
// there is nothing to do: systemd's journal already reads the service's standard error.

enum class SystemLogLevel
{
    Information,
    Warning,
    Error
};

// Until this is called nothing is written: the window and console runs keep to their own log.
void openSystemLog();
void writeSystemLog(SystemLogLevel level, const QString& text);
