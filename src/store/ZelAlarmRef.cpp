#include "ZelAlarmRef.h"

#include <cstdio>
#include <optional>

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += isContinuationByte(c) ? 0 : 1;
    return count;
}

// Byte offset of the character at index (0-based); text.size() when beyond the end.
std::size_t byteOffset(std::string_view text, std::size_t index)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isContinuationByte(text[i]))
            continue;
        if (seen++ == index)
            return i;
    }
    return text.size();
}

std::string characters(std::string_view text, std::size_t first, std::size_t count)
{
    const std::size_t begin = byteOffset(text, first);
    const std::size_t end = byteOffset(text, first + count);
    return std::string(text.substr(begin, end - begin));
}

std::optional<int> digitsValue(std::string_view text)
{
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<ZelAlarmRef> ZelAlarmRef::parse(std::string_view text)
{
    if (text.size() != 9 || text.substr(4, 3) != " - ")
        return std::nullopt;
    const std::optional<int> location = digitsValue(text.substr(0, 4));
    const std::optional<int> alarm = digitsValue(text.substr(7, 2));
    if (!location || !alarm)
        return std::nullopt;
    return ZelAlarmRef{*location, *alarm};
}

std::string formatZelAlarmRef(int location, int alarm)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.4d - %.2d", location, alarm);
    return text;
}

bool isAssignedZelRef(std::string_view ref)
{
    return characterCount(ref) == 9;
}

std::string zelRefLocationPart(std::string_view ref)
{
    return characters(ref, 0, 4);
}

std::string zelRefAlarmPart(std::string_view ref)
{
    return characters(ref, 7, 2);
}
