#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One alarm of an active-alarms answer, as values: a key attribute the server did not give
// holds the placeholder for it, a missing text is empty.
struct ReportedAlarm
{
    std::string pcu;
    std::string location;
    std::string nr;
    std::string text;
    std::optional<std::string> start;
};

// What an active-alarms answer of the office server says, read once and handed over as values.
struct ActiveAlarmsAnswer
{
    // False when the answer's root is not active-alarms: then every alarm counts as returned.
    bool listed = false;
    std::vector<ReportedAlarm> alarms;
};

// Reads an answer already decoded to UTF-8 (its declaration, if any, saying so); the text is
// parsed in place, so it is taken by value. Throws XmlParseError when it is not well-formed.
ActiveAlarmsAnswer ReadActiveAlarms(std::string utf8Text);
