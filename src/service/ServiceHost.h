#pragma once

#include <functional>

class QObject;

// Exit code of a service that did not start because another instance runs: systemd is told not
// to restart on it, and the Windows host reports it as a clean stop, so that neither repeats
// the refusal while the window runs.
inline constexpr int kExitAnotherInstanceRuns = 3;
// Exit code of a Windows service that ended itself because its main state machine stalled;
// the Service Control Manager's recovery restarts it.
inline constexpr int kExitStalled = 4;

// How the window-less gateway was started.
struct ServiceHostRun
{
    // Windows: the Service Control Manager started the process and hears its state; stop and
    // shut-down requests come from it (setServiceStopHandler), not from a console.
    bool underServiceControlManager = false;
};

// Runs the gateway under the service manager that started the process. On Windows, when the
// Service Control Manager did, the manager hears "start pending" at once, "running" once the
// gateway says it is ready (notifyServiceManager) and "stopped" with the gateway's exit code.
// Otherwise (a console run, systemd) the gateway just runs. Returns the gateway's exit code.
int runServiceHost(const std::function<int(const ServiceHostRun&)>& gateway);

// Where the Service Control Manager's stop and shut-down requests go: onStop runs on the thread
// of context. Requests that came before this call are handed on by it.
void setServiceStopHandler(QObject* context, std::function<void()> onStop);
