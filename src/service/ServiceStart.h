#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

// Starting an installed service and waiting until it runs, the way the Service Control
// Manager's own tools do: ask for the start, then follow the state while the service reports
// "start pending", giving it its wait hint for each step of progress, up to an overall bound.
// The manager is reached through ServiceManagerCalls (Windows: StartService and
// QueryServiceStatusEx), so the decisions here are the same on every build and tested on all.

// The manager's error codes this logic tells apart (the values of Windows' winerror.h).
inline constexpr std::uint32_t kErrorServiceRequestTimeout = 1053;
inline constexpr std::uint32_t kErrorServiceDatabaseLocked = 1055;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceSpecific = 1066;
inline constexpr std::uint32_t kErrorServiceNeverStarted = 1077;

struct ServiceStatus
{
    enum class State
    {
        Stopped,
        StartPending,
        StopPending,
        Running,
        Other
    };
    State state = State::Stopped;
    std::uint32_t checkPoint = 0;
    std::chrono::milliseconds waitHint{0};
    // Set when the service has stopped: its Win32 exit code, and its own code when the first
    // is kErrorServiceSpecific.
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceExitCode = 0;
};

// What the start needs of the service manager and of time.
class ServiceManagerCalls
{
public:
    virtual ~ServiceManagerCalls() = default;
    // 0 when the manager accepted the start request, its error code otherwise.
    virtual std::uint32_t requestStart() = 0;
    // 0 with the service's state filled in, the manager's error code otherwise.
    virtual std::uint32_t queryStatus(ServiceStatus& status) = 0;
    // The system's text for an error code.
    virtual QString errorText(std::uint32_t error) const = 0;
    // Time since the start began; pause() lets it pass.
    virtual std::chrono::milliseconds elapsed() const = 0;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

struct ServiceStartOutcome
{
    bool running = false;
    // Why it did not start, or how long the start took.
    QString text;
};

// A slow first start (a virus scanner reading every new DLL) is no failure: the bound is
// generous, and only a service that stops or reports no progress within its wait hint ends
// the wait before it.
inline constexpr std::chrono::seconds kServiceStartBound(300);

[[nodiscard]] ServiceStartOutcome startServiceAndWait(ServiceManagerCalls& manager,
                                                      std::chrono::milliseconds bound);
