#include "SingleInstance.h"

#include <windows.h>

namespace {

// Machine-wide: the service runs in a session of its own, and the data directory is the
// machine's, so a window in any user's session must see it (and the service the window).
QString globalName(const QString& name)
{
    return QStringLiteral("Global\\") + name;
}

} // namespace

struct SingleInstance::Handle
{
    HANDLE semaphore = nullptr;
};

SingleInstance::SingleInstance(const QString& name)
{
    m_handle = std::make_unique<Handle>();
    HANDLE h = CreateSemaphoreW(nullptr, 0, 1, reinterpret_cast<LPCWSTR>(globalName(name).utf16()));
    const DWORD error = GetLastError();
    if (h != nullptr && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        m_anotherRuns = true;
        return;
    }
    // A guard made by the service (the system account) exists but denies this user access.
    if (h == nullptr && error == ERROR_ACCESS_DENIED) {
        m_anotherRuns = true;
        return;
    }
    // The first instance keeps its handle; the system releases it at exit.
    m_handle->semaphore = h;
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::holdsGuard() const
{
    return m_handle->semaphore != nullptr;
}

bool SingleInstance::isHeld(const QString& name)
{
    HANDLE h =
        OpenSemaphoreW(SYNCHRONIZE, FALSE, reinterpret_cast<LPCWSTR>(globalName(name).utf16()));
    if (h != nullptr) {
        CloseHandle(h);
        return true;
    }
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

QString SingleInstance::localServerName(const QString& name)
{
    // Pipe names are machine-wide: the user name keeps one user's second start away from
    // another user's window.
    return name + QStringLiteral("_SHOW_") + qEnvironmentVariable("USERNAME");
}
