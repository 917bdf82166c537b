#include "ShutdownSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <utility>

#include <windows.h>

#include <sddl.h>

namespace {

// Windows ends the process soon after the session's end has been answered; the orderly
// shutdown waits at most ten seconds for ZelMeld's last answer, and this is a little more.
constexpr int kSessionEndGraceMs = 12000;

QPointer<QObject> g_context;
std::function<void()> g_onShutdown;
std::atomic<bool> g_finished = false;

void requestShutdown()
{
    if (g_context)
        QMetaObject::invokeMethod(g_context.data(), g_onShutdown, Qt::QueuedConnection);
}

// Runs on a thread of its own.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    requestShutdown();
    const bool processEndsOnReturn =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    // Returning would end the process at once; the main thread ends it once its shutdown is
    // done (Windows allows a few seconds).
    if (processEndsOnReturn)
        Sleep(INFINITE);
    return TRUE;
}

// Runs the event loop here until the shutdown has finished: when this message is answered,
// Windows ends the process wherever it is. Each top-level window hears of the session's end, and
// the process may be ended as soon as any one of them has answered: each waits.
void finishBeforeSessionEnds()
{
    requestShutdown();
    const QDeadlineTimer deadline(kSessionEndGraceMs);
    while (!g_finished && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

class StopMessageFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const auto* msg = static_cast<const MSG*>(message);
        // A close message to the thread rather than a window: another program's stop request
        // (QProcess::terminate() and the like).
        if (msg->hwnd == nullptr && msg->message == WM_CLOSE) {
            requestShutdown();
            return true;
        }
        if (msg->message == WM_ENDSESSION && msg->wParam != FALSE && !g_finished) {
            finishBeforeSessionEnds();
            return true;
        }
        return false;
    }
};

// Runs on a thread of the system's pool.
void CALLBACK onStopRequestEvent(void*, BOOLEAN)
{
    requestShutdown();
}

// The installer runs elevated, perhaps as another administrator than the operator who started
// the window: the owner, the system and administrators may set the event.
void createStopRequestEvent()
{
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;GA;;;OW)(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1,
            &attributes.lpSecurityDescriptor, nullptr))
        attributes.lpSecurityDescriptor = nullptr;
    HANDLE event = CreateEventW(&attributes, FALSE, FALSE, kStopRequestEventName);
    LocalFree(attributes.lpSecurityDescriptor);
    HANDLE wait = nullptr;
    // Both handles live as long as the process.
    if (event != nullptr)
        RegisterWaitForSingleObject(&wait, event, onStopRequestEvent, nullptr, INFINITE,
                                    WT_EXECUTEDEFAULT);
}

} // namespace

void installShutdownSignals(QObject* context, std::function<void()> onShutdown)
{
    g_context = context;
    g_onShutdown = std::move(onShutdown);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    static StopMessageFilter filter;
    QCoreApplication::instance()->installNativeEventFilter(&filter);
}

void acceptStopRequestsByName()
{
    static const bool created = (createStopRequestEvent(), true);
    Q_UNUSED(created);
}

void markShutdownFinished()
{
    g_finished = true;
}
