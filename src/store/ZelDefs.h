#pragma once

#include "XmlDocument.h"
#include "ZelAlarmRef.h"

#include <string>
#include <string_view>

// ZelDefs.xml: the ZEL locations and their alarms, with the group delay and repeat interval
// of each alarm.
namespace ZelDefsXml {
inline constexpr const char* Location = "Location";
inline constexpr const char* Alarm = "Alarm";
inline constexpr const char* Code = "Code";
inline constexpr const char* Name = "Name";
inline constexpr const char* GroupDelay = "GroupDelay";
inline constexpr const char* Repeat = "Repeat";
} // namespace ZelDefsXml

// A count of an Alarm (GroupDelay in seconds, Repeat in minutes): 0 when the element or the
// attribute is missing or its value is no whole number (ZelCode.h).
int zelAlarmCount(pugi::xml_node alarm, const char* name);

// The first Location under the catalogue root whose Code has the value code, and the first
// Alarm of a location with that value; codes are compared as numbers (ZelCode.h), so "012"
// is found as 12. Null when there is none.
pugi::xml_node findZelLocation(const XmlDocument& zelDefs, long long code);
pugi::xml_node findZelAlarmIn(pugi::xml_node location, long long code);

// The Alarm element that the reference names. A stored text that is no reference is looked up
// as location 0, alarm 0, which the catalogue does not hold unless a file put them there.
pugi::xml_node findZelAlarm(const XmlDocument& zelDefs, const ZelAlarmRef& ref);
pugi::xml_node findZelAlarm(const XmlDocument& zelDefs, std::string_view ref);

bool ZelAlarmExists(const XmlDocument& zelDefs, std::string_view ref);

// Seconds; 0 when the alarm or the value is missing or not an integer.
int GetGroupDelay(const XmlDocument& zelDefs, const ZelAlarmRef& ref);
int GetGroupDelay(const XmlDocument& zelDefs, std::string_view ref);

// Minutes; 0 when the alarm or the value is missing or not an integer.
int GetRepeat(const XmlDocument& zelDefs, const ZelAlarmRef& ref);
int GetRepeat(const XmlDocument& zelDefs, std::string_view ref);
