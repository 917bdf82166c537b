#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// Bytes in and out of the files the settings tests look at.

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

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
