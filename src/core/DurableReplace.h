#pragma once

#include "WriteResult.h"

#include <QByteArrayView>
#include <QString>

// What it takes, beyond writing and flushing the new file, for its replacement of the old one
// to survive a power cut.

#ifndef Q_OS_WIN
// POSIX: a rename reaches the disk with the folder that holds the name, so the folder is
// synced after it. A file system that cannot sync a folder counts as done.
WriteResult syncDirectoryOf(const QString& filePath);
#endif

#ifdef Q_OS_WIN
// Windows: writes the bytes beside the target, flushes them and replaces the target with a
// move that returns only once it is on disk.
WriteResult replaceFileWriteThrough(const QString& path, QByteArrayView bytes);
#endif
