#include "PeerCloseProbe.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

PeerCloseProbe::~PeerCloseProbe()
{
    release();
}

#ifdef Q_OS_LINUX

void PeerCloseProbe::watch(qintptr descriptor)
{
    release();
    if (descriptor >= 0)
        m_descriptor = ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
}

PeerCloseProbe::Close PeerCloseProbe::closeKind() const
{
    tcp_info info = {};
    socklen_t size = sizeof info;
    if (m_descriptor < 0 || ::getsockopt(m_descriptor, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return Close::Unknown;
    // A reset ends the connection at once; after a FIN it waits for our side to close.
    if (info.tcpi_state == TCP_CLOSE)
        return Close::Reset;
    return info.tcpi_state == TCP_CLOSE_WAIT ? Close::Orderly : Close::Unknown;
}

void PeerCloseProbe::release()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

#else

void PeerCloseProbe::watch(qintptr) {}

PeerCloseProbe::Close PeerCloseProbe::closeKind() const
{
    return Close::Unknown;
}

void PeerCloseProbe::release() {}

#endif
