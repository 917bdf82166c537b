#include "DurableReplace.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

WriteResult syncDirectoryOf(const QString& filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return WriteResult::failure(QStringLiteral("cannot open folder ") + folder +
                                    QStringLiteral(" to sync it: ") + errnoText(errno));
    }
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0 && error != EINVAL && error != ENOTSUP) {
        return WriteResult::failure(QStringLiteral("cannot sync folder ") + folder +
                                    QStringLiteral(": ") + errnoText(error));
    }
    return WriteResult::success();
}
