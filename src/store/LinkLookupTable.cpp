#include "LinkLookupTable.h"

#include "SearchOrder.h"
#include "XmlNodeEdit.h"

namespace X = LinkDefsXml;

LinkLookupTable::LinkLookupTable(const XmlDocument& linkDefs)
{
    const pugi::xml_node root = linkDefs.root();
    const pugi::xml_node locations = FindChildNode(root, X::Locations);
    m_hasLocations = bool(locations);
    forEachInSearchOrder(locations, X::Location,
                         [this](pugi::xml_node link) { addLocationLink(link); });
    addExceptions(m_generalExceptions, FindChildNode(root, X::GeneralExceptions), {});
}

// A link hidden behind an earlier one with the same key is never found, nor are its
// exceptions. Keys follow the location key rule of LinkDefs.h.
void LinkLookupTable::addLocationLink(pugi::xml_node link)
{
    const std::string_view pcu = locationKeyPart(attributeValue(link, X::Pcu));
    const std::string_view text = locationKeyPart(attributeValue(link, X::Text));
    const std::string key = joinKey({pcu, text});
    if (m_locationLinks.try_emplace(key, *readLinkAssignment(link)).second)
        addExceptions(m_locationExceptions, link, {pcu, text});
}

void LinkLookupTable::addExceptions(Assignments& into, pugi::xml_node parent,
                                    std::initializer_list<std::string_view> owner)
{
    forEachInSearchOrder(parent, X::Exception, [&](pugi::xml_node exception) {
        const pugi::xml_attribute nr = exception.attribute(X::Nr);
        if (!nr)
            return;
        std::string key = joinKey(owner) + joinKey({nr.value()});
        into.try_emplace(std::move(key), *readLinkAssignment(exception));
    });
}

const LinkAssignment* LinkLookupTable::find(const Assignments& in,
                                            std::initializer_list<std::string_view> key)
{
    const auto it = in.find(joinKey(key));
    return it == in.end() ? nullptr : &it->second;
}

const LinkAssignment* LinkLookupTable::generalException(std::string_view nr) const
{
    return find(m_generalExceptions, {nr});
}

const LinkAssignment* LinkLookupTable::locationLink(std::string_view pcu,
                                                    std::string_view text) const
{
    return find(m_locationLinks, {locationKeyPart(pcu), locationKeyPart(text)});
}

const LinkAssignment* LinkLookupTable::locationException(std::string_view pcu,
                                                         std::string_view text,
                                                         std::string_view nr) const
{
    return find(m_locationExceptions, {locationKeyPart(pcu), locationKeyPart(text), nr});
}

std::optional<LinkTarget> LookupLink(const LinkLookupTable& linkDefs, const XmlDocument& zelDefs,
                                     std::string_view pcu, std::string_view text,
                                     std::string_view nr)
{
    if (!linkDefs.hasLocations())
        return std::nullopt;
    return resolveLinkTarget(linkDefs.generalException(nr), linkDefs.locationLink(pcu, text),
                             linkDefs.locationException(pcu, text, nr), zelDefs);
}
