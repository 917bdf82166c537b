#include "StopSignals.h"

#include <QCoreApplication>
#include <QObject>

#ifdef Q_OS_WIN

#include <windows.h>

namespace {

// Runs on a thread of its own, so a queued call is safe here.
BOOL WINAPI onConsoleEvent(DWORD)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void quitOnStopSignals(QObject*)
{
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

#else

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_wakePair[2] = {-1, -1};

// Only async-signal-safe work in the handler: wake the event loop through the socket pair.
void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_wakePair[1], &byte, 1);
}

} // namespace

void quitOnStopSignals(QObject* context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_wakePair) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_wakePair[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_wakePair[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

#endif
