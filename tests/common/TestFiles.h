#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The file helpers every test program needs.

// How the file system compares names: Windows' ignores case, and the program may hand back a
// path in another case there.
#ifdef Q_OS_WIN
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

// The whole file; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file with bytes; false when it cannot be written whole.
[[nodiscard]] inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
