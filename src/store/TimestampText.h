#pragma once

#include "core/Clock.h"

#include <optional>
#include <string>
#include <string_view>

// Every time in the alarm status is written as yyyymmddThhnnss: 15 characters, whole seconds.
std::string TimestampText(Timestamp t);

// Reads a text written by TimestampText (the ninth character is not looked at). Any other
// length, the empty text included, reads as 0 (the epoch). A 15-character text that holds no
// valid date and time reads as 0 as well, so that one bad entry cannot stop a merge.
Timestamp ParseTimestampText(std::string_view text);

// As ParseTimestampText, but nothing for a 15-character text that holds no valid date and
// time, for callers that report and skip such an entry.
std::optional<Timestamp> tryParseTimestampText(std::string_view text);

// Day fractions for the arithmetic on timestamps.
inline constexpr Timestamp secondsToDays(double seconds)
{
    return seconds / SecondsPerDay;
}
