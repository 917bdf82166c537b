#include "ServiceStart.h"

#include <algorithm>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// Between two start requests the manager refused for the moment.
constexpr milliseconds kRetryPause = 1s;
// "The service did not respond in time": its process did not reach the manager soon enough,
// as when a new machine loads its DLLs for the first time. Worth a few more tries, not more:
// a process that dies at once gives the same answer.
constexpr int kTimeoutAttempts = 3;
// A pending state without a wait hint (or a smaller one) gets as long as Windows gives a new
// service process to reach the manager.
constexpr milliseconds kMinimumGrace = 30s;
// Polled about ten times per wait hint, as Windows' own guidance says, within these limits.
constexpr milliseconds kShortestPoll = 100ms;
constexpr milliseconds kLongestPoll = 1s;

long long seconds(milliseconds duration)
{
    return std::chrono::duration_cast<std::chrono::seconds>(duration).count();
}

QString errorWithCode(const ServiceManagerCalls& manager, std::uint32_t error)
{
    return QStringLiteral("%1 (error %2)").arg(manager.errorText(error)).arg(error);
}

ServiceStartOutcome failed(const QString& reason)
{
    return {false, QStringLiteral("the service ZelPO did not start: ") + reason};
}

// Why a service that was asked to start has stopped.
ServiceStartOutcome stoppedReason(const ServiceManagerCalls& manager, const ServiceStatus& status)
{
    const QString log = QStringLiteral("; its log is ZELPO.LOG in the data directory");
    switch (status.win32ExitCode) {
    case 0:
        return failed(QStringLiteral("it stopped again without an error code (another ZelPO, "
                                     "the window, may run)") +
                      log);
    case kErrorServiceSpecific:
        return failed(
            QStringLiteral("it ended with its own exit code %1").arg(status.serviceExitCode) + log);
    case kErrorServiceNeverStarted:
        return failed(QStringLiteral("its process never reported to the Service Control Manager "
                                     "(%1)")
                          .arg(errorWithCode(manager, status.win32ExitCode)));
    default:
        return failed(
            QStringLiteral("it stopped with %1").arg(errorWithCode(manager, status.win32ExitCode)) +
            log);
    }
}

enum class Wait
{
    Running,
    Stopped,
    Failed
};

// Follows the state of a service whose start is under way until it runs or stops; a pending
// state must show progress (a new check point) within its wait hint.
Wait waitWhilePending(ServiceManagerCalls& manager, milliseconds bound, ServiceStatus& status,
                      ServiceStartOutcome& outcome)
{
    bool seen = false;
    std::uint32_t lastCheckPoint = 0;
    milliseconds progressAt = manager.elapsed();
    for (;;) {
        if (const std::uint32_t error = manager.queryStatus(status); error != 0) {
            outcome = failed(QStringLiteral("its state cannot be read: ") +
                             errorWithCode(manager, error));
            return Wait::Failed;
        }
        if (status.state == ServiceStatus::State::Running)
            return Wait::Running;
        if (status.state == ServiceStatus::State::Stopped)
            return Wait::Stopped;
        const milliseconds now = manager.elapsed();
        if (!seen || status.checkPoint != lastCheckPoint) {
            seen = true;
            lastCheckPoint = status.checkPoint;
            progressAt = now;
        }
        const milliseconds grace = std::max(status.waitHint, kMinimumGrace);
        if (now - progressAt > grace) {
            outcome = failed(QStringLiteral("it reported no progress for %1 s (it asked for %2 s)")
                                 .arg(seconds(now - progressAt))
                                 .arg(seconds(status.waitHint)));
            return Wait::Failed;
        }
        if (now >= bound) {
            outcome = failed(QStringLiteral("it was still starting after %1 s; it may yet "
                                            "run: see sc query ZelPO")
                                 .arg(seconds(bound)));
            return Wait::Failed;
        }
        manager.pause(std::clamp(status.waitHint / 10, kShortestPoll, kLongestPoll));
    }
}

} // namespace

ServiceStartOutcome startServiceAndWait(ServiceManagerCalls& manager, milliseconds bound)
{
    int timeouts = 0;
    for (;;) {
        const std::uint32_t refused = manager.requestStart();
        const bool transient =
            refused == kErrorServiceDatabaseLocked ||
            (refused == kErrorServiceRequestTimeout && ++timeouts < kTimeoutAttempts);
        if (refused != 0 && refused != kErrorServiceAlreadyRunning && !transient)
            return failed(errorWithCode(manager, refused));

        // A refused request may still leave a start under way: the manager's own start of an
        // automatic service, or another tool's.
        ServiceStatus status;
        ServiceStartOutcome outcome;
        const bool underWay =
            refused == 0 || refused == kErrorServiceAlreadyRunning ||
            (manager.queryStatus(status) == 0 && status.state != ServiceStatus::State::Stopped);
        if (underWay) {
            switch (waitWhilePending(manager, bound, status, outcome)) {
            case Wait::Running:
                return {true, QStringLiteral("the service ZelPO runs (started in %1 s)")
                                  .arg(seconds(manager.elapsed()))};
            case Wait::Failed:
                return outcome;
            case Wait::Stopped:
                // Stopped by itself after an accepted start: its own reason, no retry.
                if (refused == 0 || refused == kErrorServiceAlreadyRunning)
                    return stoppedReason(manager, status);
                break;
            }
        }
        if (manager.elapsed() + kRetryPause >= bound)
            return failed(QStringLiteral("%1, still after %2 s")
                              .arg(errorWithCode(manager, refused))
                              .arg(seconds(manager.elapsed())));
        manager.pause(kRetryPause);
    }
}
