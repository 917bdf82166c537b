#include "SystemLog.h"

#include <windows.h>

namespace {

// The one message of the program's message table ("%1"), so the event viewer shows the text
// as it is; the installer names zelpo.exe as the source's message file.
constexpr DWORD kLogLineEventId = 1;

HANDLE g_source = nullptr;

WORD eventType(SystemLogLevel level)
{
    switch (level) {
    case SystemLogLevel::Information:
        return EVENTLOG_INFORMATION_TYPE;
    case SystemLogLevel::Warning:
        return EVENTLOG_WARNING_TYPE;
    case SystemLogLevel::Error:
        break;
    }
    return EVENTLOG_ERROR_TYPE;
}

} // namespace

void openSystemLog()
{
    if (g_source == nullptr)
        g_source = RegisterEventSourceW(nullptr, L"ZelPO");
}

void writeSystemLog(SystemLogLevel level, const QString& text)
{
    if (g_source == nullptr)
        return;
    const auto* line = reinterpret_cast<LPCWSTR>(text.utf16());
    // Failures are not reported: the same line is in the program's own log.
    ReportEventW(g_source, eventType(level), 0, kLogLineEventId, nullptr, 1, 0, &line, nullptr);
}
