#include "ZelAlarmRef.h"

#include "ZelCode.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::size_t RefLength = 9;
constexpr std::string_view Separator = " - ";

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::optional<int> digitsValue(std::string_view digits)
{
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::optional<long long> value = zelCodeValue(digits);
    if (!value)
        return std::nullopt;
    return int(*value); // four digits at most: always fits
}

} // namespace

std::optional<ZelAlarmRef> ZelAlarmRef::parse(std::string_view text)
{
    if (text.size() != RefLength || text.substr(4, Separator.size()) != Separator)
        return std::nullopt;
    const std::optional<int> location = digitsValue(text.substr(0, 4));
    const std::optional<int> alarm = digitsValue(text.substr(7, 2));
    if (!location || !alarm)
        return std::nullopt;
    return ZelAlarmRef{*location, *alarm};
}

std::string ZelAlarmRef::text() const
{
    char written[48];
    std::snprintf(written, sizeof written, "%.4d - %.2d", location, alarm);
    return written;
}

bool isAssignedZelRef(std::string_view text)
{
    const auto characters =
        std::count_if(text.begin(), text.end(), [](char c) { return !isContinuationByte(c); });
    return std::size_t(characters) == RefLength;
}
