#include "NotifySocket.h"

#include <QFile>
#include <QSocketNotifier>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool addressFor(const QString& path, sockaddr_un& address)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (size_t(bytes.size()) >= sizeof(address.sun_path))
        return false;
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

} // namespace

NotifySocket::NotifySocket(const QString& dir) : m_path(dir + QStringLiteral("/notify"))
{
    sockaddr_un address;
    if (!addressFor(m_path, address))
        return;
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        return;
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &NotifySocket::readAll);
}

NotifySocket::~NotifySocket()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool NotifySocket::sendToSelf(const QByteArray& message) const
{
    sockaddr_un address;
    if (!addressFor(m_path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto sent = ::sendto(fd, message.constData(), size_t(message.size()), 0,
                               reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return sent == message.size();
}

void NotifySocket::readAll()
{
    char buffer[4096];
    for (;;) {
        const auto got = ::recv(m_fd, buffer, sizeof(buffer), 0);
        if (got < 0)
            return;
        const QByteArray message(buffer, got);
        m_messages.append(message);
        Q_EMIT received(message);
    }
}
