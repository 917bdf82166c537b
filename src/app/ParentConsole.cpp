#include "ParentConsole.h"

#ifdef Q_OS_WIN

#include <cstdio>

#include <windows.h>

namespace {

void useConsoleFor(DWORD handle, FILE* stream)
{
    // A handle the caller gave (a pipe, a file) is kept.
    if (GetStdHandle(handle) != nullptr)
        return;
    if (std::freopen("CONOUT$", "w", stream) == nullptr)
        return; // nothing to print to: the output is lost as it was before
}

} // namespace

void attachParentConsole()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from Explorer or a service manager: no console to use
    useConsoleFor(STD_OUTPUT_HANDLE, stdout);
    useConsoleFor(STD_ERROR_HANDLE, stderr);
}

#else

void attachParentConsole() {}

#endif
