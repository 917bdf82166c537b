#include "ZelNodeText.h"

#include "core/Windows1252.h"

#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A character's place in the 8-bit order.
char32_t eightBitValue(char32_t c)
{
    // ASCII and the upper half of Latin-1 are the same bytes in the code page.
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c <= 0xFFFF) {
        const char16_t unit = char16_t(c);
        qsizetype lost = 0;
        const QByteArray byte = toWindows1252(QStringView(&unit, 1), &lost);
        if (lost == 0)
            return static_cast<unsigned char>(byte.front());
    }
    return 0x100 + c;
}

} // namespace

QString makeNodeText(const QString& name, qint64 code)
{
    return name + u" ("_s + QString::number(code) + u')';
}

ZelNodeText SplitNodeText(QStringView text)
{
    const qsizetype close = text.lastIndexOf(u')');
    if (close < 0)
        return {};
    const qsizetype open = text.left(close).lastIndexOf(u'(');
    const QStringView digits = text.mid(open + 1, close - open - 1);
    ZelNodeText result;
    bool ok = false;
    const int code = digits.toInt(&ok);
    // A sign or blanks around the digits would be read by toInt; the text holds digits only.
    const bool onlyDigits =
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    result.code = ok && onlyDigits ? code : 0;
    if (open > 0)
        result.name = text.left(open - 1).toString();
    return result;
}

std::u32string locationSortKey(QStringView text)
{
    std::u32string key;
    key.reserve(std::size_t(text.size()));
    for (const uint c : text.toUcs4())
        key += eightBitValue(c);
    return key;
}

bool locationTextGoesAfter(QStringView a, QStringView b)
{
    return locationSortKey(b) < locationSortKey(a);
}

int proposedCode(const QList<int>& codes, int max)
{
    const int highest = codes.isEmpty() ? 0 : *std::max_element(codes.begin(), codes.end());
    return std::min(highest, max - 1) + 1;
}
