#pragma once

#include <functional>

class QObject;

// Runs onShutdown on the thread of context when the process is asked to stop: SIGTERM or
// SIGINT on POSIX, a console control event (Ctrl+C, closing the console) on Windows. Meant to
// be installed once per process; a later call replaces the earlier one.
void installShutdownSignals(QObject* context, std::function<void()> onShutdown);
