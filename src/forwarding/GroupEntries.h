#pragma once

#include "store/XmlDocument.h"

#include <string>
#include <string_view>

// Group alarm bookkeeping in the alarm status document. A group is keyed by
// its code, "LLLL - NN", and tracks the delay, text and repeat of its members.

// "%.4d - %.2d" of the two numbers (0 for a part that is no number).
std::string formatGroupCode(std::string_view groupLocation, std::string_view groupAlarm);

// Called when a member alarm's message is built: starts, joins, re-arms or
// returns the group entry. Does nothing unless groupLocation has 4 characters.
void UpdateGroupEntry(XmlDocument& status, const XmlDocument& zelDefs,
                      std::string_view groupLocation, std::string_view groupAlarm, bool returned,
                      std::string_view alarmText);

// True when an Alarm entry of the group is active.
bool GroupHasActiveAlarm(const XmlDocument& status, std::string_view groupCode);
