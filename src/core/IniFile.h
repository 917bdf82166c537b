#pragma once

#include "WriteResult.h"

#include <QString>

#include <optional>

// Profile files with the Windows rules: section and key names match without
// regard to case, blanks around a value are not part of it, one pair of
// matching single or double quotes around the value is dropped, and a missing
// file or key reads as absent. Only a byte order mark at the very start of the
// file is one; a U+FEFF anywhere else belongs to its name or value. Every call
// opens the file, does one access and lets go of it; nothing is cached, so a
// change on disk is seen by the next call.

// The value as an integer: decimal, or hexadecimal after "0x" or "$"; leading
// blanks and a sign are allowed. Absent or not an integer gives defaultValue.
int ReadIniInteger(const QString& file, const QString& section, const QString& key,
                   int defaultValue);

// The value; an absent key and an empty value both give defaultValue.
QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue);

// The value as the two readers above see it; nullopt when the key is absent or the file
// cannot be read. For callers that must tell a bad value from a missing one.
std::optional<QString> readIniValue(const QString& file, const QString& section,
                                    const QString& key);

// The integer rule of ReadIniInteger applied to a value; nullopt when it is no integer.
std::optional<int> iniInteger(const QString& value);

// Empty when the file can be read or does not exist; otherwise why it cannot be read
// (the readers then give their defaults).
QString iniReadProblem(const QString& file);

// A write changes only its key's line, or adds the key at the end of its
// section, or adds the section at the end of the file, and leaves every other
// byte as it was. The file is created when missing and replaced atomically.
// A value that the readers would change (blanks around it, or quotes of its own
// around it) is written inside double quotes, so it reads back as written.
// Fails, with the reason, when the file cannot be read or written, or the names or
// the value cannot be represented on one line.
[[nodiscard]] WriteResult WriteIniInteger(const QString& file, const QString& section,
                                          const QString& key, int value);
[[nodiscard]] WriteResult WriteIniString(const QString& file, const QString& section,
                                         const QString& key, const QString& value);
