#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// The file helpers every test program needs; the one home for them.

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

// The line end the platform gives new text files.
#ifdef Q_OS_WIN
inline const QByteArray kNewline = QByteArrayLiteral("\r\n");
#else
inline const QByteArray kNewline = QByteArrayLiteral("\n");
#endif

// A file in the platform's line-end style for new files.
inline QByteArray nativeLines(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + kNewline;
    return bytes;
}
