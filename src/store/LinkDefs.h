#pragma once

#include "XmlDocument.h"
#include "ZelAlarmRef.h"

#include <optional>
#include <string>
#include <string_view>

// LinkDefs.xml: which ZEL alarm, and optionally which ZEL group alarm, an office alarm is
// forwarded as, per location and per alarm type. None of the operations saves.
namespace LinkDefsXml {
inline constexpr const char* Locations = "PO_Locations";
inline constexpr const char* Location = "PO_loc";
inline constexpr const char* Exception = "Except";
inline constexpr const char* AlarmTypes = "PO_AlarmTypes";
inline constexpr const char* AlarmType = "PO_Alarm";
inline constexpr const char* GeneralExceptions = "PO_Exceptions";
inline constexpr const char* Pcu = "pcu";
inline constexpr const char* Text = "text";
inline constexpr const char* Nr = "nr";
inline constexpr const char* ZelAlarm = "zel_alarm";
inline constexpr const char* ZelGroup = "zel_group";
} // namespace LinkDefsXml

// A pcu argument that designates the general exceptions instead of a location.
inline constexpr std::string_view GeneralExceptionsPcu = "--";

// A location link is keyed by its pcu and text. A value the office server did not give is
// one value however it is held: absent, empty, or the placeholder "-\-". The configuration
// reader, the look-ups and every edit compare keys by this rule, so a link stored either way
// is found by the rows that show it.
std::string_view locationKeyPart(std::string_view value);
bool hasLocationKey(pugi::xml_node link, std::string_view pcu, std::string_view text);

// The first location link with the key (pcu, text); null when there is none.
pugi::xml_node findLocationLink(const XmlDocument& linkDefs, std::string_view pcu,
                                std::string_view text);

// Sets the assignment of a location link (empty exceptNr), of one of its exceptions, or,
// for pcu "--", of a general exception. Never creates a location link. False when the
// element to change was not there (nothing changed then).
bool AssignLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view zelAlarm, std::string_view exceptNr, std::string_view exceptText,
                std::string_view zelGroup);

// Creates or updates the general exception for alarm type nr; false for an empty nr.
bool AssignGeneralException(XmlDocument& linkDefs, std::string_view nr, std::string_view text,
                            std::string_view zelAlarm, std::string_view zelGroup);

// Removes a whole location link with all its exceptions (nr is not used then), or, for pcu
// "--", the general exception for alarm type nr. False when there was nothing to remove.
bool RemoveLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view nr);

// The element a row of the definitions grid shows, named by its stored attributes: a
// location link (pcu, text), one of its exceptions (pcu, text, nr), or a general exception
// (nr). Unlike the pcu "--" of AssignLink, the kind is said, so a location whose own pcu is
// "--" is still a location.
struct LinkKey
{
    enum Kind
    {
        Location,
        LocationException,
        GeneralException,
    };
    Kind kind = Location;
    std::string pcu;
    std::string text;
    std::string nr;

    bool operator==(const LinkKey&) const = default;
};

// The element of the key; null when it is not in the document.
pugi::xml_node findLinkElement(const XmlDocument& linkDefs, const LinkKey& key);

// Sets the ZEL alarm and group of the key's element, as AssignLink does for it: a location
// exception that is missing is appended to its location link, a general exception to its
// container; a location link is never created. False when nothing was changed.
// A non-empty exceptText is set on an exception, as AssignLink does.
bool assignLinkAt(XmlDocument& linkDefs, const LinkKey& key, std::string_view zelAlarm,
                  std::string_view zelGroup, std::string_view exceptText = {});

// As RemoveLink: a location row or a location exception row removes the whole location link,
// a general exception row that exception. False when there was nothing to remove.
bool removeLinkAt(XmlDocument& linkDefs, const LinkKey& key);

// Where an office alarm goes. The group parts are empty when the link names no group.
struct LinkTarget
{
    ZelAlarmRef zel;
    std::optional<ZelAlarmRef> group;
    int repeatMinutes = 0; // of the ZEL alarm, from the ZEL definitions
};

// What a location link or an exception assigns: its zel_alarm (empty when absent) and its
// zel_group, kept apart from an empty one when absent, because only a present zel_group
// replaces a group found earlier.
struct LinkAssignment
{
    std::string zelAlarm;
    std::optional<std::string> zelGroup;
};

// Nothing for a null node.
std::optional<LinkAssignment> readLinkAssignment(pugi::xml_node node);

// The result of a look-up from what was found for the office alarm, each null when there is
// none: the general exception for its alarm type, its location link, and that link's own
// exception for the alarm type. A general exception with a non-empty ZEL alarm decides
// alone; with an empty one it passes at most its group on. Shared by every form of LookupLink, so
// that they cannot differ in anything but how they find these three.
std::optional<LinkTarget> resolveLinkTarget(const LinkAssignment* generalException,
                                            const LinkAssignment* locationLink,
                                            const LinkAssignment* locationException,
                                            const XmlDocument& zelDefs);

// The ZEL alarm of an office alarm: a general exception with an assigned ZEL alarm wins,
// else a location exception wins over its location link. Nothing when no assigned ZEL alarm
// results (also when a location exception with an empty ZEL alarm suppresses the alarm).
// The location is found by the key rule above. Searches the document at every
// call; a caller that looks up many alarms at once uses a LinkLookupTable instead.
std::optional<LinkTarget> LookupLink(const XmlDocument& linkDefs, const XmlDocument& zelDefs,
                                     std::string_view pcu, std::string_view text,
                                     std::string_view nr);

// True when every location link and every exception has an assigned ZEL alarm, a text that
// parses as a reference (a 9-character text that does not names nothing); false for a
// document whose root has another name.
bool AllLinksAssigned(const XmlDocument& linkDefs);

// How many location links and exceptions have no assigned ZEL alarm (those AllLinksAssigned
// looks for); 0 for a document whose root has another name.
int UnlinkedCount(const XmlDocument& linkDefs);
