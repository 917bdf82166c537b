#pragma once

#include "ZelCatalogue.h"

// Keeping the link definitions in step with the ZEL catalogue: after a location or alarm left
// the catalogue, and after one was renumbered. The references are the zel_alarm and zel_group
// texts ("LLLL - NN") of location links, their exceptions and the general exceptions. None of
// the functions saves.

// Empties every ZEL alarm and group of the link definitions that names no alarm of the
// catalogue, in location links, their exceptions and the general exceptions alike: an
// element whose two references do not both exist gets each existing one back and an empty
// text for the other. True when the document changed.
bool clearDanglingLinks(XmlDocument& linkDefs, const XmlDocument& zelDefs);

// The elements (location links, exceptions) a clean-up after deleting an item would clear:
// those with a reference to the deleted item that names nothing now, and the others, whose
// references named nothing before (another catalogue, a hand edit). An element may be both.
struct DanglingLinkCount
{
    int ofDeleted = 0;
    int others = 0;
};
DanglingLinkCount countDanglingLinks(const XmlDocument& linkDefs, const XmlDocument& zelDefs,
                                     const ZelItemKey& deleted);

// Empties only the references to the deleted item (its alarms, for a location) that name
// nothing in the catalogue; every other reference stays. True when the document changed.
bool clearLinksOf(XmlDocument& linkDefs, const XmlDocument& zelDefs, const ZelItemKey& deleted);

// Every reference to the renumbered item follows it: for a location, each of its alarms keeps
// its alarm code under the new location code; for an alarm, the reference to it is rewritten.
// Both keys must name whole numbers. True when the document changed.
bool renumberZelLinks(XmlDocument& linkDefs, const ZelItemKey& from, const ZelItemKey& to);
