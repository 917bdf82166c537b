#include "Windows1252.h"

#include <array>

namespace {

// The characters of bytes 0x80-0x9F; 0 marks the five undefined bytes.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t characterOf(unsigned char byte)
{
    if (byte < 0x80 || byte > 0x9F)
        return byte;
    const char16_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : char16_t(byte);
}

// The byte of a character, or -1 when the code page has none.
int byteOf(char16_t character)
{
    if (character < 0x80 || (character > 0x9F && character <= 0xFF))
        return character;
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        const char16_t mapped = kHighControls[i];
        if (mapped == character || (mapped == 0 && character == 0x80 + i))
            return int(0x80 + i);
    }
    return -1;
}

} // namespace

QByteArray toWindows1252(QStringView text, qsizetype* unmappable)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype lost = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character outside the basic plane is one character, written as two units.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const int byte = c.isSurrogate() ? -1 : byteOf(c.unicode());
        if (byte < 0)
            ++lost;
        bytes.append(byte < 0 ? '?' : char(byte));
    }
    if (unmappable)
        *unmappable = lost;
    return bytes;
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.append(QChar(characterOf(static_cast<unsigned char>(byte))));
    return text;
}
