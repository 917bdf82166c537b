#pragma once

#include <QString>

// Profile files with the Windows rules: section and key names match without
// regard to case, blanks around a value are not part of it, and a missing file
// or key reads as absent. Every call opens the file, does one access and lets
// go of it; nothing is cached, so a change on disk is seen by the next call.

// The value as an integer: decimal, or hexadecimal after "0x" or "$"; leading
// blanks and a sign are allowed. Absent or not an integer gives defaultValue.
int readIniInteger(const QString& file, const QString& section, const QString& key,
                   int defaultValue);

// The value; an absent key and an empty value both give defaultValue.
QString readIniString(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue);

// A write changes only its key's line, or adds the key at the end of its
// section, or adds the section at the end of the file, and leaves every other
// byte as it was. The file is created when missing and replaced atomically.
// False when the file could not be read or written, or the names or the value
// cannot be represented on one line.
bool writeIniInteger(const QString& file, const QString& section, const QString& key, int value);
bool writeIniString(const QString& file, const QString& section, const QString& key,
                    const QString& value);
