#include "ServiceNotify.h"

// Built without libsystemd: the program runs the same, only unsupervised.

bool serviceManagerSupported()
{
    return false;
}

WriteResult notifyServiceManager(const QByteArray&)
{
    return WriteResult::success();
}

std::chrono::microseconds serviceWatchdogInterval()
{
    return std::chrono::microseconds(0);
}
