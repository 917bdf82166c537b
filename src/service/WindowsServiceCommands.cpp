#include "WindowsServiceCommands.h"

#include "ServiceStart.h"

#include "core/ShutdownSignals.h"
#include "core/SingleInstance.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <cstdio>

#include <windows.h>

namespace {

constexpr wchar_t kServiceName[] = L"ZelPO";
constexpr wchar_t kDisplayName[] = L"ZelPO alarm gateway";
constexpr wchar_t kDescription[] =
    L"Forwards the alarms of the Priva Office alarm server to ZelMeld, without a window.";
constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ZelPO";
// Like the Linux unit's RestartSec: soon, but not in a tight loop.
constexpr DWORD kRestartDelayMs = 10000;
// A day without failure and the count of failures starts again.
constexpr DWORD kFailureCountResetSeconds = 24 * 60 * 60;
// Time for the orderly shutdown at the machine's shut-down (Windows' default is far longer).
constexpr DWORD kPreshutdownTimeoutMs = 30000;
// The orderly shutdown takes at most ten seconds; more is a program that does not stop.
constexpr int kStopWaitMs = 60000;
constexpr int kPollMs = 250;
// How long --start-service asks again for a service the manager does not know (see there).
constexpr int kUnknownServiceWaitMs = 20000;

class ScHandle
{
public:
    explicit ScHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~ScHandle()
    {
        if (m_handle != nullptr)
            CloseServiceHandle(m_handle);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    SC_HANDLE m_handle;
};

QString systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                                 : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

void say(const QString& text)
{
    std::fprintf(stderr, "zelpo: %s\n", qPrintable(text));
}

// Says what failed and why; false, for the steps that return it.
bool sayFailure(const QString& what, DWORD error = GetLastError())
{
    QString text = what + QStringLiteral(": ") + systemMessage(error);
    if (error == ERROR_ACCESS_DENIED)
        text += QStringLiteral(" (run it as administrator)");
    say(text);
    return false;
}

// The same, as a command's exit code.
int fail(const QString& what, DWORD error = GetLastError())
{
    sayFailure(what, error);
    return 1;
}

QString programPath()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    return QString::fromWCharArray(path, int(length));
}

const wchar_t* wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// Call with a handle that may stop and query the service.
bool stopService(SC_HANDLE service)
{
    const QDeadlineTimer deadline(kStopWaitMs);
    bool asked = false;
    for (;;) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status))
            return sayFailure(QStringLiteral("cannot read the state of the service"));
        if (status.dwCurrentState == SERVICE_STOPPED)
            return true;
        // A service still starting accepts no stop yet: asked again until it does.
        if (!asked && status.dwCurrentState != SERVICE_STOP_PENDING)
            asked = ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
        if (deadline.hasExpired()) {
            say(QStringLiteral("the service did not stop within %1 s").arg(kStopWaitMs / 1000));
            return false;
        }
        QThread::msleep(kPollMs);
    }
}

// Windows' own tools show these; a missing one is no reason to fail the installation.
void describeService(SC_HANDLE service)
{
    SERVICE_DESCRIPTIONW description{const_cast<LPWSTR>(kDescription)};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description))
        sayFailure(QStringLiteral("warning: cannot set the service's description"));
    SERVICE_PRESHUTDOWN_INFO preshutdown{kPreshutdownTimeoutMs};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown))
        sayFailure(QStringLiteral("warning: cannot set the service's time at shut-down"));
}

// Restart after every failure: the process ending without saying "stopped" (a crash, the
// stall watchdog) and a stop with a failure code (an exception storm).
bool setRecovery(SC_HANDLE service)
{
    SC_ACTION restarts[3] = {{SC_ACTION_RESTART, kRestartDelayMs},
                             {SC_ACTION_RESTART, kRestartDelayMs},
                             {SC_ACTION_RESTART, kRestartDelayMs}};
    SERVICE_FAILURE_ACTIONSW actions{kFailureCountResetSeconds, nullptr, nullptr, 3, restarts};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions))
        return sayFailure(QStringLiteral("cannot set the service's recovery"));
    // Without it only a crash or a hang restarts the service; older systems (and Wine) lack it.
    SERVICE_FAILURE_ACTIONS_FLAG onFailureCodes{TRUE};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onFailureCodes))
        sayFailure(QStringLiteral("warning: a stop with a failure code will not restart the "
                                  "service"));
    return true;
}

bool registerEventSource(const QString& program)
{
    HKEY key = nullptr;
    LSTATUS result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return sayFailure(QStringLiteral("cannot register the event log source"), DWORD(result));
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    result = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(wide(program)),
                            DWORD((program.size() + 1) * sizeof(wchar_t)));
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&types), sizeof(types));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return sayFailure(QStringLiteral("cannot register the event log source"), DWORD(result));
    return true;
}

// The service of this name, created or, when it exists (an upgrade), pointed at this program.
SC_HANDLE createOrUpdateService(SC_HANDLE manager, const QString& command)
{
    SC_HANDLE service = CreateServiceW(manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                       SERVICE_ERROR_NORMAL, wide(command), nullptr, nullptr,
                                       nullptr, nullptr /* the system account */, nullptr);
    if (service != nullptr || GetLastError() != ERROR_SERVICE_EXISTS)
        return service;
    service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS);
    if (service != nullptr &&
        !ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                              SERVICE_ERROR_NORMAL, wide(command), nullptr, nullptr, nullptr,
                              nullptr, nullptr, kDisplayName)) {
        const DWORD error = GetLastError();
        CloseServiceHandle(service);
        SetLastError(error);
        return nullptr;
    }
    return service;
}

static_assert(kErrorServiceRequestTimeout == ERROR_SERVICE_REQUEST_TIMEOUT &&
              kErrorServiceDatabaseLocked == ERROR_SERVICE_DATABASE_LOCKED &&
              kErrorServiceAlreadyRunning == ERROR_SERVICE_ALREADY_RUNNING &&
              kErrorServiceSpecific == ERROR_SERVICE_SPECIFIC_ERROR &&
              kErrorServiceNeverStarted == ERROR_SERVICE_NEVER_STARTED);

ServiceStatus::State stateOf(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED:
        return ServiceStatus::State::Stopped;
    case SERVICE_START_PENDING:
        return ServiceStatus::State::StartPending;
    case SERVICE_STOP_PENDING:
        return ServiceStatus::State::StopPending;
    case SERVICE_RUNNING:
        return ServiceStatus::State::Running;
    default:
        return ServiceStatus::State::Other;
    }
}

// The start's calls to the Service Control Manager on a service handle that may start and query.
class ManagerCalls final : public ServiceManagerCalls
{
public:
    explicit ManagerCalls(SC_HANDLE service) : m_service(service) { m_timer.start(); }

    std::uint32_t requestStart() override
    {
        return StartServiceW(m_service, 0, nullptr) ? 0 : GetLastError();
    }

    std::uint32_t queryStatus(ServiceStatus& status) override
    {
        SERVICE_STATUS_PROCESS process{};
        DWORD needed = 0;
        if (!QueryServiceStatusEx(m_service, SC_STATUS_PROCESS_INFO,
                                  reinterpret_cast<BYTE*>(&process), sizeof(process), &needed))
            return GetLastError();
        status.state = stateOf(process.dwCurrentState);
        status.checkPoint = process.dwCheckPoint;
        status.waitHint = std::chrono::milliseconds(process.dwWaitHint);
        status.win32ExitCode = process.dwWin32ExitCode;
        status.serviceExitCode = process.dwServiceSpecificExitCode;
        return 0;
    }

    QString errorText(std::uint32_t error) const override { return systemMessage(error); }
    std::chrono::milliseconds elapsed() const override
    {
        return std::chrono::milliseconds(m_timer.elapsed());
    }
    void pause(std::chrono::milliseconds duration) override
    {
        QThread::msleep(static_cast<unsigned long>(duration.count()));
    }

private:
    SC_HANDLE m_service;
    QElapsedTimer m_timer;
};

// The machine-wide guard: held by any running window, console run or service.
bool programRuns()
{
    return SingleInstance::isHeld(kSingleInstanceName);
}

} // namespace

int installWindowsService()
{
    const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager)
        return fail(QStringLiteral("cannot open the Service Control Manager"));
    const QString program = programPath();
    const ScHandle service(
        createOrUpdateService(manager.get(), QStringLiteral("\"%1\" --service").arg(program)));
    if (!service)
        return fail(QStringLiteral("cannot install the service ZelPO"));
    describeService(service.get());
    if (!setRecovery(service.get()) || !registerEventSource(program))
        return 1;
    say(QStringLiteral("the service ZelPO is installed: it starts with Windows and is restarted "
                       "%1 s after a failure. Start it now with: zelpo --start-service (or net "
                       "start ZelPO)")
            .arg(kRestartDelayMs / 1000));
    return 0;
}

int startWindowsService()
{
    // Wine only: in the first session of a new prefix two managers answer side by side, and one
    // may not know the service registered a moment ago; each connection may reach the other.
    const QDeadlineTimer openDeadline(kUnknownServiceWaitMs);
    for (;;) {
        const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager)
            return fail(QStringLiteral("cannot open the Service Control Manager"));
        const ScHandle service(
            OpenServiceW(manager.get(), kServiceName, SERVICE_START | SERVICE_QUERY_STATUS));
        if (service) {
            ManagerCalls calls(service.get());
            const ServiceStartOutcome outcome = startServiceAndWait(calls, kServiceStartBound);
            say(outcome.text);
            return outcome.running ? 0 : 1;
        }
        if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST || openDeadline.hasExpired())
            return fail(QStringLiteral("cannot open the service ZelPO"));
        QThread::msleep(kPollMs);
    }
}

int uninstallWindowsService()
{
    const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return fail(QStringLiteral("cannot open the Service Control Manager"));
    const ScHandle service(
        OpenServiceW(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service && GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
        return fail(QStringLiteral("cannot open the service ZelPO"));
    if (service) {
        if (!stopService(service.get()))
            return 1;
        if (!DeleteService(service.get()))
            return fail(QStringLiteral("cannot remove the service ZelPO"));
    }
    const LSTATUS removed = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
        return fail(QStringLiteral("cannot remove the event log source"), DWORD(removed));
    say(service ? QStringLiteral("the service ZelPO is stopped and removed")
                : QStringLiteral("no service ZelPO is installed"));
    return 0;
}

int stopRunningProgram()
{
    // The service first: it stops through its manager, never through the event below.
    const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const ScHandle service(
        manager ? OpenServiceW(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS)
                : nullptr);
    if (service && !stopService(service.get()))
        return 1;
    if (!programRuns())
        return 0;
    HANDLE request = OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopRequestEventName);
    if (request == nullptr)
        return fail(QStringLiteral("ZelPO runs, but cannot be asked to close"));
    SetEvent(request);
    CloseHandle(request);
    const QDeadlineTimer deadline(kStopWaitMs);
    while (programRuns()) {
        if (deadline.hasExpired()) {
            say(QStringLiteral("ZelPO still runs %1 s after it was asked to close")
                    .arg(kStopWaitMs / 1000));
            return 1;
        }
        QThread::msleep(kPollMs);
    }
    say(QStringLiteral("ZelPO has closed in order"));
    return 0;
}
