#pragma once

#include <optional>
#include <string>
#include <string_view>

// A ZEL alarm reference names a ZEL location and one of its alarms: the location in four
// digits, " - ", the alarm in two ("0012 - 05"). Lengths and positions count characters,
// not the bytes of their UTF-8 text.

std::string formatZelAlarmRef(int location, int alarm);

// Only a text of exactly 9 characters counts as an assigned reference; "0", the empty text
// and every other length mean unassigned.
bool isAssignedZelRef(std::string_view ref);

// Characters 1 to 4 and 8 to 9 of an assigned reference.
std::string zelRefLocationPart(std::string_view ref);
std::string zelRefAlarmPart(std::string_view ref);

// The reference as a value: the one parser and the one formatter every layer uses. A text
// parses only in the written form: four digits, " - ", two digits.
struct ZelAlarmRef
{
    int location = 0;
    int alarm = 0;

    static std::optional<ZelAlarmRef> parse(std::string_view text);
    std::string text() const { return formatZelAlarmRef(location, alarm); }

    friend bool operator==(const ZelAlarmRef&, const ZelAlarmRef&) = default;
};
