#pragma once

#include "store/XmlDocument.h"
#include "store/ZelAlarmRef.h"

#include <string>
#include <string_view>

// Group alarm bookkeeping in the alarm status document. A group is keyed by
// its code, "LLLL - NN", and tracks the delay, text and repeat of its members.

// Called when a member alarm's message is built: starts, joins, re-arms or returns the entry
// of the member's group.
void UpdateGroupEntry(XmlDocument& status, const XmlDocument& zelDefs, const ZelAlarmRef& group,
                      bool returned, std::string_view alarmText);

// True when an Alarm entry of the group is active.
bool GroupHasActiveAlarm(const XmlDocument& status, std::string_view groupCode);
