#pragma once

#include "LinkDefs.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// A copy of what LookupLink reads from the link definitions, keyed so that one look-up does
// not search the document: looking up the link of every location (as a view of the whole
// configuration does, or the alarm walk over thousands of alarms) would otherwise grow with
// the square of the number of locations. CurrentLinkTable makes a new one after each edit.
//
// It holds values, never nodes, because the operator may change or remove elements while a
// table exists; it keeps answering as the document did when the table was made. Of several
// elements with one key, the first in document order counts, as for FindChildNode.
class LinkLookupTable
{
public:
    explicit LinkLookupTable(const XmlDocument& linkDefs);

    // Without a PO_Locations container nothing is ever found.
    bool hasLocations() const { return m_hasLocations; }

    // Null when the document had none.
    const LinkAssignment* generalException(std::string_view nr) const;
    const LinkAssignment* locationLink(std::string_view pcu, std::string_view text) const;
    const LinkAssignment* locationException(std::string_view pcu, std::string_view text,
                                            std::string_view nr) const;

private:
    using Assignments = std::unordered_map<std::string, LinkAssignment>;

    void addLocationLink(pugi::xml_node link);
    static void addExceptions(Assignments& into, pugi::xml_node parent,
                              std::initializer_list<std::string_view> owner);
    static const LinkAssignment* find(const Assignments& in,
                                      std::initializer_list<std::string_view> key);

    bool m_hasLocations = false;
    Assignments m_generalExceptions;  // by nr
    Assignments m_locationLinks;      // by pcu and text
    Assignments m_locationExceptions; // by the pcu and text of their link, and nr
};

// The same result as LookupLink on the document gave when the table was made; the repeat
// interval is read from zelDefs at the call.
std::optional<LinkTarget> LookupLink(const LinkLookupTable& linkDefs, const XmlDocument& zelDefs,
                                     std::string_view pcu, std::string_view text,
                                     std::string_view nr);
