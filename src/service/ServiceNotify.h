#pragma once

#include "core/WriteResult.h"

#include <QByteArray>

#include <chrono>

// Messages to the service manager that started the program (systemd's notification socket).
// A build without libsystemd, or a run outside such a manager, sends nothing and every call
// succeeds.

// True when this build can talk to a service manager at all.
bool serviceManagerSupported();

// Sends one or more state assignments, one per line: "READY=1", "WATCHDOG=1", "STOPPING=1",
// "STATUS=...". A failing socket is the result's reason.
[[nodiscard]] WriteResult notifyServiceManager(const QByteArray& state);

// The interval within which the manager expects "WATCHDOG=1" from this process; zero when it
// expects none.
std::chrono::microseconds serviceWatchdogInterval();
