#pragma once

#include <optional>
#include <string>
#include <string_view>

// A ZEL alarm reference names a ZEL location and one of its alarms. Its written form, the one
// the documents store, is the location in four digits, " - ", the alarm in two ("0012 - 05").
// This is the one parser of that form and the one formatter every layer uses.
struct ZelAlarmRef
{
    int location = 0;
    int alarm = 0;

    // Only the written form parses: four digits, " - ", two digits, nothing else.
    static std::optional<ZelAlarmRef> parse(std::string_view text);
    std::string text() const;

    friend bool operator==(const ZelAlarmRef&, const ZelAlarmRef&) = default;
};

// Whether a stored zel_alarm or zel_group holds a reference at all: only a text of exactly 9
// characters does; "0", the empty text and every other length mean unassigned. Lengths count
// characters, not the bytes of their UTF-8 text. A 9-character text that does not parse (a
// hand edit) is assigned but names no alarm: nothing is forwarded through it, and the
// clean-up counts it among the references that name nothing.
bool isAssignedZelRef(std::string_view text);
