#pragma once

#include "WriteResult.h"

#include <QByteArrayView>
#include <QString>

// Writes the whole file beside its target, flushes it to disk and then puts it in the target's
// place, so that a crash at any moment leaves either the old or the new file, never a mix.
// Success also means the replacement is on disk: a power cut afterwards keeps the new file.
WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes);
