#pragma once

#include "ActiveAlarms.h"
#include "XmlDocument.h"

#include <string_view>

// AlarmStatus.xml: one Alarm entry per office alarm reported active (keyed by pcu, location
// and nr) and one Group entry per ZEL group alarm that has been triggered.
namespace AlarmStatusXml {
inline constexpr const char* AlarmEntry = "Alarm";
inline constexpr const char* GroupEntry = "Group";
inline constexpr const char* Pcu = "pcu";
inline constexpr const char* Location = "location";
inline constexpr const char* Nr = "nr";
inline constexpr const char* Text = "text";
inline constexpr const char* Start = "start";
inline constexpr const char* State = "State";
inline constexpr const char* Sent = "Sent";
inline constexpr const char* Group = "Group";
inline constexpr const char* RepeatAt = "repeat_at";
inline constexpr const char* Error = "Error";
inline constexpr const char* ErrDt = "ErrDt";
// The ZEL alarm ("LLLL - NN") an active alarm was raised at. Its repeats and its return go
// there even after its link was moved, so that ZelMeld clears the alarm it has.
inline constexpr const char* SentTo = "SentTo";
// NoLink="1": the active alarm was not forwarded for want of a link; it goes out as new once
// one is made. An entry without it (as every older file has) is handled as it stands.
inline constexpr const char* NoLink = "NoLink";
inline constexpr const char* NoLinkSet = "1";
inline constexpr const char* ZelAlarm = "ZelAlarm";
inline constexpr const char* Timeout = "Timeout";
inline constexpr const char* GroupRepeat = "repeat";
inline constexpr const char* GroupText = "Text";
// The values of Error: the last sending problem of an entry.
inline constexpr const char* ErrorRefused = "1";     // refused by ZelMeld, an attempt left
inline constexpr const char* ErrorNotAccepted = "2"; // not accepted after the last attempt
inline constexpr const char* ErrorNoReply = "3";     // no reply within the wait, or never left
inline constexpr std::string_view Active = "A";
inline constexpr std::string_view Returned = "R";
} // namespace AlarmStatusXml

// The first Alarm entry whose pcu, location and nr are all present and equal to the key.
pugi::xml_node findAlarmEntry(pugi::xml_node statusRoot, std::string_view pcu,
                              std::string_view location, std::string_view nr);

// The first Group entry whose ZelAlarm equals the group code.
pugi::xml_node findGroupEntry(pugi::xml_node statusRoot, std::string_view zelAlarm);

// Merges an active-alarms answer of the office server (its bytes, in the encoding its
// declaration names) into the status: every active entry turns returned, then every alarm
// of the answer is active again, with its start time, or appended as a new entry. True when
// the answer's root is active-alarms. Throws XmlParseError, changing nothing, when the
// answer is not well-formed.
bool MergeActiveAlarms(XmlDocument& status, std::string_view answer);
// The same for an answer already read into values.
bool MergeActiveAlarms(XmlDocument& status, const ActiveAlarmsAnswer& answer);

// Removes every entry, alarm or group, in the returned state; does nothing when the root is
// not POAlarmStatus. Returns how many entries went.
int PurgeReturnedAlarms(XmlDocument& status);
