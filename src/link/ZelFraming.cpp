#include "ZelFraming.h"

#include "core/Windows1252.h"

namespace {

constexpr char kCarriageReturn = '\r';

bool isControlCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

} // namespace

QByteArray frameZelMessage(const QString& message, qsizetype* unmappable)
{
    QString text = message;
    for (QChar& c : text) {
        if (isControlCharacter(c))
            c = u' ';
    }
    return toWindows1252(text, unmappable) + kCarriageReturn;
}

ZelAnswer classifyZelAnswer(const QString& line)
{
    // Exact and case-sensitive; "OK" is tested first.
    if (line.startsWith(QLatin1String("OK")))
        return ZelAnswer::Accepted;
    if (line.startsWith(QLatin1String("NAK")))
        return ZelAnswer::Refused;
    return ZelAnswer::Other;
}
