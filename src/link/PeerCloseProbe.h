#pragma once

#include <QtGlobal>

// Tells how the peer ended a TCP connection. Qt reports an orderly close (FIN) and a reset
// (RST) alike, as RemoteHostClosedError, and closes its descriptor before it says so. The probe
// holds a second descriptor of the connected socket, so the connection's kernel state can still
// be read at the error event. While it holds one, the connection stays open in the kernel even
// after Qt closed it: release it whenever the connection is given up.
class PeerCloseProbe
{
public:
    enum class Close
    {
        Orderly,
        Reset,
        Unknown, // no connection watched, or a platform where the state cannot be read
    };

    PeerCloseProbe() = default;
    ~PeerCloseProbe();
    PeerCloseProbe(const PeerCloseProbe&) = delete;
    PeerCloseProbe& operator=(const PeerCloseProbe&) = delete;

    // Starts watching the connection of a connected socket's descriptor.
    void watch(qintptr descriptor);
    Close closeKind() const;
    void release();

private:
    int m_descriptor = -1;
};
