#pragma once

#include <functional>

class QObject;

// Runs onShutdown on the thread of context when the process is asked to stop: SIGTERM or
// SIGINT on POSIX; on Windows a console control event (Ctrl+C, Ctrl+Break, the console closed,
// log-off, shut-down), a close message posted to the main thread (a stop request from another
// program) or the end of the Windows session. Meant to be installed once per process; a later
// call replaces the earlier one.
void installShutdownSignals(QObject* context, std::function<void()> onShutdown);

// Windows: the installed handler also runs when the machine-wide named stop event is set
// (`zelpo --stop`, the installer's request to close before an upgrade). For ZelPO itself only:
// the simulators share the handler code and must not hear ZelPO's stop.
void acceptStopRequestsByName();

// Said by the program once its orderly shutdown is complete. Windows ends a process as soon as
// it has answered the end of the session, so that answer waits for this.
void markShutdownFinished();

#ifdef _WIN32
// The machine-wide event that asks the running window (or console run) to close in order.
inline constexpr wchar_t kStopRequestEventName[] = L"Global\\ZELPO_STOP_REQUEST";
#endif
