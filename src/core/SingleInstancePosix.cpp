#include "SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

// A lock file rather than a named semaphore: the kernel drops the lock of a
// killed process, so a crash never blocks the next start.
struct SingleInstance::Handle
{
    explicit Handle(const QString& path) : lock(path) {}
    QLockFile lock;
};

namespace {

QString guardDirectory()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

} // namespace

SingleInstance::SingleInstance(const QString& name)
{
    m_handle = std::make_unique<Handle>(guardDirectory() + QLatin1Char('/') + name +
                                        QStringLiteral(".lock"));
    // A stale lock (its owner is gone) is taken over by tryLock.
    m_handle->lock.setStaleLockTime(0);
    if (m_handle->lock.tryLock(0))
        return;
    // Only a lock held by a live process counts; any other failure (no
    // runtime directory, no permission) lets this instance run, as a failed
    // semaphore creation does on Windows.
    m_anotherRuns = m_handle->lock.error() == QLockFile::LockFailedError;
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::holdsGuard() const
{
    return m_handle->lock.isLocked();
}

QString SingleInstance::localServerName(const QString& name)
{
    // A full path beside the lock file: the runtime directory is private to the user.
    return guardDirectory() + QLatin1Char('/') + name + QStringLiteral(".show");
}
