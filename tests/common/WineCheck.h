#pragma once

// The Windows build's tests run under Wine here. Where Wine's sockets or pipes behave unlike
// Windows', a test says so and skips rather than test Wine.
#ifdef Q_OS_WIN
#include <windows.h>

inline bool runsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
inline bool runsUnderWine()
{
    return false;
}
#endif
