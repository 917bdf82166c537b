#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Western-European Windows code page: ISO-8859-1 except 0x80-0x9F, which hold the euro
// sign, typographic quotes, dashes and a few letters. ZelMeld reads its wire in this code page,
// and office answers may declare it.

// Each character as its single byte; a character the code page lacks becomes "?", and
// unmappable (when given) counts those characters.
QByteArray toWindows1252(QStringView text, qsizetype* unmappable = nullptr);

// Every byte as its character; the five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the C1 control characters of the same value, as Windows reads
// them.
QString fromWindows1252(QByteArrayView bytes);
