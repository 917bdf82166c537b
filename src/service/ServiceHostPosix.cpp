#include "ServiceHost.h"

// systemd talks to the program through signals and its notification socket: nothing to host.
int runServiceHost(const std::function<int(const ServiceHostRun&)>& gateway)
{
    return gateway(ServiceHostRun{});
}

void setServiceStopHandler(QObject*, std::function<void()>) {}
