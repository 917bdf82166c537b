#pragma once

#include <functional>

class QObject;

// Runs onShutdown on the GUI thread when the process is asked to stop
// (SIGTERM, SIGINT); a no-op where the platform has no such signals.
void installShutdownSignals(QObject* context, std::function<void()> onShutdown);
