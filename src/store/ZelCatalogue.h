#pragma once

#include "XmlDocument.h"

#include <optional>
#include <string>
#include <vector>

// Editing the ZEL catalogue (ZelDefs.xml) on values, without widgets: the tree and its item
// dialog call these and show the result. Locations and alarms are named by their codes as
// numbers (ZelCode.h); an element whose Code is no whole number is never named by them.
// None of the functions saves.

// A location (alarm 0) or one of its alarms.
struct ZelItemKey
{
    long long location = 0;
    long long alarm = 0;

    bool isLocation() const { return alarm == 0; }
    bool operator==(const ZelItemKey&) const = default;
};

// What the item dialog edits; the timing is used for alarms only.
struct ZelItemData
{
    long long code = 0;
    std::string name;
    int groupDelay = 0; // seconds
    int repeat = 0;     // minutes
};

enum class ZelEditOutcome
{
    Done,
    Duplicate, // another item of the same level already has the new code
    NotFound,  // the item (or the location of a new alarm) is not in the catalogue
};

// The catalogue as the tree shows it: every Location child of the root and every Alarm child
// of it whose code is a whole number, in document order. Of several elements with one code
// only the first is an entry (the one every look-up finds); later ones are left out.
struct ZelAlarmEntry
{
    long long code = 0;
    std::string name;
};
struct ZelLocationEntry
{
    long long code = 0;
    std::string name;
    std::vector<ZelAlarmEntry> alarms;
};
std::vector<ZelLocationEntry> readZelCatalogue(const XmlDocument& zelDefs);

// Name and timing of the item; nothing when it is not there.
std::optional<ZelItemData> readZelItem(const XmlDocument& zelDefs, const ZelItemKey& key);

ZelEditOutcome addZelLocation(XmlDocument& zelDefs, const ZelItemData& data);
ZelEditOutcome addZelAlarm(XmlDocument& zelDefs, long long location, const ZelItemData& data);
// Changes code and name (and for an alarm its timing); keeping the item's own code is no
// duplicate.
ZelEditOutcome editZelItem(XmlDocument& zelDefs, const ZelItemKey& key, const ZelItemData& data);
// Removes the location with all its alarms, or the alarm. Elements that carry the same code
// further on are removed with it, so that none of them takes its place in the look-ups.
ZelEditOutcome deleteZelItem(XmlDocument& zelDefs, const ZelItemKey& key);

// Empties every ZEL alarm and group of the link definitions that names no alarm of the
// catalogue, in location links, their exceptions and the general exceptions alike: an
// element whose two references do not both exist gets each existing one back and an empty
// text for the other. True when the document changed.
bool clearDanglingLinks(XmlDocument& linkDefs, const XmlDocument& zelDefs);
