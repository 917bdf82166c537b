#include "TimestampText.h"

#include <cstdio>

namespace {

constexpr std::size_t kTextLength = 15;

// Digits only: a sign or a blank inside a timestamp is not a number here.
std::optional<int> digitsAt(std::string_view text, std::size_t first, std::size_t count)
{
    int value = 0;
    for (const char c : text.substr(first, count)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string TimestampText(Timestamp t)
{
    // fromTimestamp rounds to the millisecond first, so 59.9996 s is the next second.
    const QDateTime utc = fromTimestamp(t, Qt::UTC);
    const QDate date = utc.date();
    const QTime time = utc.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", date.year(), date.month(),
                  date.day(), time.hour(), time.minute(), time.second());
    return text;
}

std::optional<Timestamp> tryParseTimestampText(std::string_view text)
{
    if (text.size() != kTextLength)
        return 0.0;
    const auto year = digitsAt(text, 0, 4);
    const auto month = digitsAt(text, 4, 2);
    const auto day = digitsAt(text, 6, 2);
    const auto hour = digitsAt(text, 9, 2);
    const auto minute = digitsAt(text, 11, 2);
    const auto second = digitsAt(text, 13, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return toTimestamp(QDateTime(date, time, Qt::UTC));
}

Timestamp ParseTimestampText(std::string_view text)
{
    return tryParseTimestampText(text).value_or(0.0);
}
