#include "ShutdownSignals.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

int g_signalPair[2] = {-1, -1};

// Only async-signal-safe work here: wake the event loop through the socket pair.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPair[1], &byte, 1);
}

} // namespace

void installShutdownSignals(QObject* context, std::function<void()> onShutdown)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPair) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPair[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [onShutdown = std::move(onShutdown)] {
                         char byte = 0;
                         [[maybe_unused]] const auto got = ::read(g_signalPair[0], &byte, 1);
                         onShutdown();
                     });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void markShutdownFinished()
{
    // Nothing waits for it here: a signal leaves the process all the time it needs.
}

void acceptStopRequestsByName()
{
    // SIGTERM is the stop request by name here.
}
