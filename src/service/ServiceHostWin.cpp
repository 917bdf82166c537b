#include "ServiceHost.h"

#include "ServiceNotify.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <future>
#include <mutex>
#include <thread>

#include <windows.h>

namespace {

// The manager waits this long for "running" before it calls the start hung: the settings and
// the documents are read before the main machine's first step.
constexpr DWORD kStartWaitHintMs = 60000;
// The orderly shutdown waits at most ten seconds for ZelMeld's last answer.
constexpr DWORD kStopWaitHintMs = 30000;
constexpr DWORD kAcceptedControls =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN;

// What the manager has been told, and where its stop requests go. The control handler runs on
// the dispatcher's thread, the gateway on the main thread.
struct HostState
{
    std::mutex mutex;
    SERVICE_STATUS_HANDLE handle = nullptr;
    SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, NO_ERROR, 0, 0, 0};
    QPointer<QObject> stopContext;
    std::function<void()> onStop;
    bool stopRequested = false;
    std::promise<bool> entered; // the service's main function runs (true) or never will
    HANDLE gatewayDone = nullptr;
};

HostState& host()
{
    static HostState state;
    return state;
}

// Call with the mutex held.
void report(HostState& h, DWORD state, DWORD waitHintMs = 0)
{
    if (h.handle == nullptr)
        return;
    h.status.dwCurrentState = state;
    h.status.dwWaitHint = waitHintMs;
    // A pending state shows progress through its check point; settled states have none.
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    h.status.dwCheckPoint = pending ? h.status.dwCheckPoint + 1 : 0;
    h.status.dwControlsAccepted =
        (state == SERVICE_RUNNING || state == SERVICE_STOP_PENDING) ? kAcceptedControls : 0;
    SetServiceStatus(h.handle, &h.status);
}

// Call with the mutex held.
void handOnStop(HostState& h)
{
    if (h.stopRequested && h.stopContext)
        QMetaObject::invokeMethod(h.stopContext.data(), h.onStop, Qt::QueuedConnection);
}

DWORD WINAPI onControl(DWORD control, DWORD, void*, void*)
{
    HostState& h = host();
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
    case SERVICE_CONTROL_PRESHUTDOWN: {
        const std::lock_guard lock(h.mutex);
        report(h, SERVICE_STOP_PENDING, kStopWaitHintMs);
        h.stopRequested = true;
        handOnStop(h);
        return NO_ERROR;
    }
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// Runs on a thread the dispatcher makes; the gateway runs on the main thread meanwhile.
void WINAPI serviceMain(DWORD argc, LPWSTR* argv)
{
    HostState& h = host();
    {
        const std::lock_guard lock(h.mutex);
        h.handle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"ZelPO", onControl, nullptr);
        if (h.handle == nullptr) {
            h.entered.set_value(false);
            return;
        }
        report(h, SERVICE_START_PENDING, kStartWaitHintMs);
    }
    h.entered.set_value(true);
    // Returning reports nothing: "stopped" carries the gateway's exit code.
    WaitForSingleObject(h.gatewayDone, INFINITE);
    const std::lock_guard lock(h.mutex);
    report(h, SERVICE_STOPPED);
}

void runDispatcher()
{
    static wchar_t name[] = L"ZelPO";
    SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    // Fails at once (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) when no manager started us.
    if (!StartServiceCtrlDispatcherW(table)) {
        HostState& h = host();
        const std::lock_guard lock(h.mutex);
        if (h.handle == nullptr)
            h.entered.set_value(false);
    }
}

// The exit code as the manager reads it. A refusal beside another instance is reported as a
// clean stop: the recovery action would only repeat it every few seconds while the window
// runs; the reason is in the log and the event log.
void setExitCode(SERVICE_STATUS& status, int code)
{
    if (code == 0 || code == kExitAnotherInstanceRuns) {
        status.dwWin32ExitCode = NO_ERROR;
        return;
    }
    status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = DWORD(code);
}

} // namespace

int runServiceHost(const std::function<int(const ServiceHostRun&)>& gateway)
{
    HostState& h = host();
    h.gatewayDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::future<bool> entered = h.entered.get_future();
    std::thread dispatcher(runDispatcher);
    if (!entered.get()) {
        dispatcher.join();
        return gateway(ServiceHostRun{});
    }
    const int code = gateway(ServiceHostRun{true});
    {
        const std::lock_guard lock(h.mutex);
        setExitCode(h.status, code);
    }
    SetEvent(h.gatewayDone);
    dispatcher.join();
    return code;
}

void setServiceStopHandler(QObject* context, std::function<void()> onStop)
{
    HostState& h = host();
    const std::lock_guard lock(h.mutex);
    h.stopContext = context;
    h.onStop = std::move(onStop);
    handOnStop(h);
}

bool serviceManagerSupported()
{
    return true;
}

// The gateway's notes, in the Service Control Manager's terms. Outside it there is nobody to
// tell, and every note succeeds.
WriteResult notifyServiceManager(const QByteArray& state)
{
    HostState& h = host();
    const std::lock_guard lock(h.mutex);
    if (h.handle == nullptr || h.status.dwCurrentState == SERVICE_STOPPED)
        return WriteResult::success();
    if (state.startsWith("READY=1") && h.status.dwCurrentState == SERVICE_START_PENDING)
        report(h, SERVICE_RUNNING);
    else if (state.startsWith("STOPPING=1") && h.status.dwCurrentState != SERVICE_STOP_PENDING)
        report(h, SERVICE_STOP_PENDING, kStopWaitHintMs);
    return WriteResult::success();
}

std::chrono::microseconds serviceWatchdogInterval()
{
    // The manager has no watchdog of its own: the program watches itself (StallWatchdog).
    return std::chrono::microseconds(0);
}
