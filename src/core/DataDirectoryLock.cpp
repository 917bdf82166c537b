#include "DataDirectoryLock.h"

#include <QDir>

DataDirectoryLock::DataDirectoryLock(const QString& dataDirectory) : m_lock(fileName(dataDirectory))
{
    // A lock left by a killed process is taken over at once: its holder is checked, not its age.
    m_lock.setStaleLockTime(0);
    if (m_lock.tryLock(0))
        return;
    if (m_lock.error() == QLockFile::LockFailedError) {
        m_heldByAnother = true;
        qint64 pid = 0;
        QString host;
        QString application;
        if (m_lock.getLockInfo(&pid, &host, &application))
            m_holder = QStringLiteral("process %1 on %2").arg(pid).arg(host);
        return;
    }
    m_problem = QStringLiteral("The lock %1 cannot be created (%2): another copy of ZelPO on this "
                               "data directory would not be noticed")
                    .arg(QDir::toNativeSeparators(fileName(dataDirectory)),
                         m_lock.error() == QLockFile::PermissionError
                             ? QStringLiteral("no permission")
                             : QStringLiteral("the directory is missing or unusable"));
}

QString DataDirectoryLock::fileName(const QString& dataDirectory)
{
    return dataDirectory + QStringLiteral("/ZELPO.LCK");
}
