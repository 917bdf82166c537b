#include "DurableReplace.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <algorithm>

namespace {

QString failureText(const char* step, const QString& path)
{
    return QLatin1String(step) + QStringLiteral(" ") + path + QStringLiteral(": ") +
           qt_error_string(int(GetLastError()));
}

LPCWSTR wide(const QString& text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

bool writeAll(HANDLE file, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size() - done, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

WriteResult replaceFileWriteThrough(const QString& path, QByteArrayView bytes)
{
    const QString target = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    // One writer per document: a leftover of a crashed save is simply overwritten.
    const QString temp = target + QStringLiteral(".new");
    // Reasons name the file as the caller does, as the other platforms' do.
    const QString tempShown = path + QStringLiteral(".new");
    const HANDLE file = CreateFileW(wide(temp), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return WriteResult::failure(failureText("cannot create", tempShown));
    const bool written = writeAll(file, bytes) && FlushFileBuffers(file);
    const QString writeFailure = written ? QString() : failureText("cannot write", tempShown);
    CloseHandle(file);
    if (!written) {
        DeleteFileW(wide(temp));
        return WriteResult::failure(writeFailure);
    }
    if (!MoveFileExW(wide(temp), wide(target),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const QString moveFailure = failureText("cannot replace", path);
        DeleteFileW(wide(temp));
        return WriteResult::failure(moveFailure);
    }
    return WriteResult::success();
}
