#include "AtomicFile.h"

#include "DurableReplace.h"

#include <QSaveFile>

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    // QSaveFile's replace returns before the move is on disk; this one does not.
    return replaceFileWriteThrough(path, bytes);
#else
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes.data(), bytes.size()) == bytes.size() &&
        out.commit()) {
        // QSaveFile syncs the new file, not the rename: until the folder is synced a power
        // cut may bring the previous file back.
        return syncDirectoryOf(path);
    }
    const QString reason =
        QStringLiteral("cannot write ") + path + QStringLiteral(": ") + out.errorString();
    out.cancelWriting();
    return WriteResult::failure(reason);
#endif
}
