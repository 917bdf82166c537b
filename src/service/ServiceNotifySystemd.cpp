#include "ServiceNotify.h"

#include <systemd/sd-daemon.h>

#include <cstring>

bool serviceManagerSupported()
{
    return true;
}

WriteResult notifyServiceManager(const QByteArray& state)
{
    // 0: no manager listens (NOTIFY_SOCKET unset), nothing to do.
    const int sent = sd_notify(0, state.constData());
    if (sent >= 0)
        return WriteResult::success();
    return WriteResult::failure(QStringLiteral("Cannot notify the service manager (") +
                                QString::fromLocal8Bit(std::strerror(-sent)) + QStringLiteral(")"));
}

std::chrono::microseconds serviceWatchdogInterval()
{
    uint64_t usec = 0;
    // Checks WATCHDOG_PID as well, so a child process never pings for its parent.
    if (sd_watchdog_enabled(0, &usec) > 0)
        return std::chrono::microseconds(usec);
    return std::chrono::microseconds(0);
}
