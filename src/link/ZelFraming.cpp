#include "ZelFraming.h"

namespace {

constexpr char kCarriageReturn = '\r';

} // namespace

QByteArray frameZelMessage(const QString& message)
{
    return message.toLatin1() + kCarriageReturn;
}

QStringList zelReplyLines(const QByteArray& received)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype end = received.indexOf(kCarriageReturn); end >= 0;
         end = received.indexOf(kCarriageReturn, start)) {
        if (end > start)
            lines.append(QString::fromLatin1(received.mid(start, end - start)));
        start = end + 1;
    }
    return lines;
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
