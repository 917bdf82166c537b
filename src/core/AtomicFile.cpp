#include "AtomicFile.h"

#include <QSaveFile>

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes)
{
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes.data(), bytes.size()) == bytes.size() &&
        out.commit()) {
        return WriteResult::success();
    }
    const QString reason =
        QStringLiteral("cannot write ") + path + QStringLiteral(": ") + out.errorString();
    out.cancelWriting();
    return WriteResult::failure(reason);
}
