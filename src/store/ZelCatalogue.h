#pragma once

#include "XmlDocument.h"

#include <optional>
#include <string>
#include <vector>

// Editing the ZEL catalogue (ZelDefs.xml) on values, without widgets: the tree and its item
// dialog call these and show the result. Locations and alarms are named by their codes as
// numbers (ZelCode.h); an element whose Code is no whole number is named by its Code text as
// written, so that the operator can still mend or delete it. None of the functions saves.

// A location (alarm 0) or one of its alarms. A level whose Code is no whole number has the
// number 0 and its Code text in the matching invalid...Code.
struct ZelItemKey
{
    long long location = 0;
    long long alarm = 0;
    std::optional<std::string> invalidLocationCode = std::nullopt;
    std::optional<std::string> invalidAlarmCode = std::nullopt;

    bool isLocation() const { return alarm == 0 && !invalidAlarmCode; }
    // Whether a link can name it: both levels are whole numbers.
    bool hasValidCodes() const { return !invalidLocationCode && !invalidAlarmCode; }
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
// of it, in document order. Of several elements with one code only the first is an entry (the
// one every look-up finds); later ones are left out. An element whose Code is no whole number
// is an entry too, with code 0 and its Code text in invalidCode (the first of each text).
struct ZelAlarmEntry
{
    long long code = 0;
    std::string name;
    std::optional<std::string> invalidCode = std::nullopt;
};
struct ZelLocationEntry
{
    long long code = 0;
    std::string name;
    std::vector<ZelAlarmEntry> alarms;
    std::optional<std::string> invalidCode = std::nullopt;
    // Whether the location has alarms, read or not.
    bool hasAlarms = false;
};
// How deep readZelCatalogue reads: the alarms of a full catalogue are 99 for each of 9,999
// locations, which a reader that shows them a location at a time need not hold all at once.
enum class ZelCatalogueDepth
{
    LocationsAndAlarms,
    LocationsOnly,
};
std::vector<ZelLocationEntry>
readZelCatalogue(const XmlDocument& zelDefs,
                 ZelCatalogueDepth depth = ZelCatalogueDepth::LocationsAndAlarms);
// The alarms of one location (named as in a key) as readZelCatalogue reads them; none when the
// location is not there.
std::vector<ZelAlarmEntry> readZelAlarms(const XmlDocument& zelDefs, const ZelItemKey& location);

// Name and timing of the item; nothing when it is not there.
std::optional<ZelItemData> readZelItem(const XmlDocument& zelDefs, const ZelItemKey& key);

ZelEditOutcome addZelLocation(XmlDocument& zelDefs, const ZelItemData& data);
ZelEditOutcome addZelAlarm(XmlDocument& zelDefs, long long location, const ZelItemData& data);
// The same for the location of a key (which may be named by an invalid code).
ZelEditOutcome addZelAlarm(XmlDocument& zelDefs, const ZelItemKey& location,
                           const ZelItemData& data);
// Changes code and name (and for an alarm its timing); keeping the item's own code is no
// duplicate.
ZelEditOutcome editZelItem(XmlDocument& zelDefs, const ZelItemKey& key, const ZelItemData& data);
// Removes the location with all its alarms, or the alarm. Elements that carry the same code
// (or the same invalid Code text) further on are removed with it, so that none of them takes
// its place in the look-ups.
ZelEditOutcome deleteZelItem(XmlDocument& zelDefs, const ZelItemKey& key);
