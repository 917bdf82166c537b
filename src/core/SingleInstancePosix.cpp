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

SingleInstance::SingleInstance(const QString& name)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_handle = std::make_unique<Handle>(dir + QLatin1Char('/') + name + QStringLiteral(".lock"));
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
