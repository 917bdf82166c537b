#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// Set at start-up from the settings.
extern std::atomic<bool> TraceEnabled;

// Writes text unchanged to PoDataDirectory()/trace/<yyyyMMdd_HHmmss>_<tag>.trc (local clock);
// nothing unless TraceEnabled; throws TextFileError when the file cannot be written.
void WriteTraceFile(const QString& text, const QString& tag);
// The same for bytes kept exactly as they came (an answer in any encoding); text goes as UTF-8.
void WriteTraceFile(const QByteArray& bytes, const QString& tag);
