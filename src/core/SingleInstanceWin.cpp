#include "SingleInstance.h"

#include <windows.h>

struct SingleInstance::Handle
{
    HANDLE semaphore = nullptr;
};

SingleInstance::SingleInstance(const QString& name)
{
    m_handle = std::make_unique<Handle>();
    HANDLE h = CreateSemaphoreW(nullptr, 0, 1, reinterpret_cast<LPCWSTR>(name.utf16()));
    if (h != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
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

QString SingleInstance::localServerName(const QString& name)
{
    // Pipe names are machine-wide, the semaphore is per session: the user name keeps
    // one user's second start away from another user's window.
    return name + QStringLiteral("_SHOW_") + qEnvironmentVariable("USERNAME");
}
