#include "LinkDefs.h"

#include "Documents.h"
#include "SearchOrder.h"
#include "XmlNodeEdit.h"
#include "ZelAlarmRef.h"
#include "ZelDefs.h"

namespace X = LinkDefsXml;

namespace {

pugi::xml_node findException(pugi::xml_node parent, std::string_view nr)
{
    return FindChildNode(parent, X::Exception, {{X::Nr, std::string(nr)}});
}

pugi::xml_node findOrAppendException(pugi::xml_node parent, std::string_view nr)
{
    if (const pugi::xml_node found = findException(parent, nr))
        return found;
    const pugi::xml_node created = parent.append_child(X::Exception);
    setNodeAttribute(created, X::Nr, nr);
    return created;
}

void setException(pugi::xml_node exception, std::string_view text, std::string_view zelAlarm,
                  std::string_view zelGroup)
{
    if (!text.empty())
        setNodeAttribute(exception, X::Text, text);
    setNodeAttribute(exception, X::ZelAlarm, zelAlarm);
    setNodeAttribute(exception, X::ZelGroup, zelGroup);
}

// The assignment that results: the ZEL alarm and the group as texts, before they are split.
struct Assignment
{
    std::string zelAlarm;
    std::string zelGroup;
};

// A present zel_group replaces the group; an absent one keeps it.
void apply(const LinkAssignment& from, Assignment& into)
{
    into.zelAlarm = from.zelAlarm;
    if (from.zelGroup)
        into.zelGroup = *from.zelGroup;
}

// A stored text that is no reference, a hand-edited one among them, names no ZEL alarm: the
// alarm is not forwarded (the caller reports it as without a definition), and such a group is
// no group. Its characters never go on the wire.
std::optional<LinkTarget> toTarget(const Assignment& assignment, const XmlDocument& zelDefs)
{
    const std::optional<ZelAlarmRef> zel = ZelAlarmRef::parse(assignment.zelAlarm);
    if (!zel)
        return std::nullopt;
    LinkTarget target;
    target.zel = *zel;
    target.group = ZelAlarmRef::parse(assignment.zelGroup);
    target.repeatMinutes = GetRepeat(zelDefs, *zel);
    return target;
}

bool decidesAlone(const LinkAssignment& generalException)
{
    return !generalException.zelAlarm.empty();
}

const LinkAssignment* orNull(const std::optional<LinkAssignment>& assignment)
{
    return assignment ? &*assignment : nullptr;
}

// A zel_alarm that is no reference forwards nothing, so the link counts as not assigned.
bool hasAssignedZelAlarm(pugi::xml_node node)
{
    const pugi::xml_attribute attr = node.attribute(X::ZelAlarm);
    return attr && ZelAlarmRef::parse(attr.value());
}

bool allExceptionsAssigned(pugi::xml_node parent)
{
    for (const pugi::xml_node exception : parent.children(X::Exception)) {
        if (!hasAssignedZelAlarm(exception))
            return false;
    }
    return true;
}

} // namespace

std::string_view locationKeyPart(std::string_view value)
{
    return orNotGiven(value);
}

bool hasLocationKey(pugi::xml_node link, std::string_view pcu, std::string_view text)
{
    return locationKeyPart(attributeValue(link, X::Pcu)) == locationKeyPart(pcu) &&
           locationKeyPart(attributeValue(link, X::Text)) == locationKeyPart(text);
}

pugi::xml_node findLocationLink(const XmlDocument& linkDefs, std::string_view pcu,
                                std::string_view text)
{
    const pugi::xml_node locations = FindChildNode(linkDefs.root(), X::Locations);
    return findInSearchOrder(locations, X::Location,
                             [&](pugi::xml_node link) { return hasLocationKey(link, pcu, text); });
}

bool AssignLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view zelAlarm, std::string_view exceptNr, std::string_view exceptText,
                std::string_view zelGroup)
{
    if (pcu == GeneralExceptionsPcu)
        return AssignGeneralException(linkDefs, exceptNr, exceptText, zelAlarm, zelGroup);
    const pugi::xml_node link = findLocationLink(linkDefs, pcu, text);
    if (!link)
        return false;
    if (exceptNr.empty()) {
        setNodeAttribute(link, X::ZelAlarm, zelAlarm);
        setNodeAttribute(link, X::ZelGroup, zelGroup);
        return true;
    }
    setException(findOrAppendException(link, exceptNr), exceptText, zelAlarm, zelGroup);
    return true;
}

bool AssignGeneralException(XmlDocument& linkDefs, std::string_view nr, std::string_view text,
                            std::string_view zelAlarm, std::string_view zelGroup)
{
    const pugi::xml_node general = findOrAppendChild(linkDefs.root(), X::GeneralExceptions);
    if (nr.empty())
        return false;
    setException(findOrAppendException(general, nr), text, zelAlarm, zelGroup);
    return true;
}

bool RemoveLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view nr)
{
    if (pcu == GeneralExceptionsPcu) {
        const pugi::xml_node general = FindChildNode(linkDefs.root(), X::GeneralExceptions);
        const pugi::xml_node exception = nr.empty() ? pugi::xml_node() : findException(general, nr);
        return exception && exception.parent().remove_child(exception);
    }
    const pugi::xml_node link = findLocationLink(linkDefs, pcu, text);
    return link && link.parent().remove_child(link);
}

pugi::xml_node findLinkElement(const XmlDocument& linkDefs, const LinkKey& key)
{
    if (key.kind == LinkKey::GeneralException)
        return findException(FindChildNode(linkDefs.root(), X::GeneralExceptions), key.nr);
    const pugi::xml_node link = findLocationLink(linkDefs, key.pcu, key.text);
    return key.kind == LinkKey::Location ? link : findException(link, key.nr);
}

bool assignLinkAt(XmlDocument& linkDefs, const LinkKey& key, std::string_view zelAlarm,
                  std::string_view zelGroup, std::string_view exceptText)
{
    switch (key.kind) {
    case LinkKey::GeneralException:
        return AssignGeneralException(linkDefs, key.nr, exceptText, zelAlarm, zelGroup);
    case LinkKey::LocationException: {
        const pugi::xml_node link = findLocationLink(linkDefs, key.pcu, key.text);
        if (!link)
            return false;
        setException(findOrAppendException(link, key.nr), exceptText, zelAlarm, zelGroup);
        return true;
    }
    case LinkKey::Location:
        break;
    }
    const pugi::xml_node link = findLocationLink(linkDefs, key.pcu, key.text);
    if (!link)
        return false;
    setNodeAttribute(link, X::ZelAlarm, zelAlarm);
    setNodeAttribute(link, X::ZelGroup, zelGroup);
    return true;
}

bool removeLinkAt(XmlDocument& linkDefs, const LinkKey& key)
{
    if (key.kind == LinkKey::GeneralException) {
        const pugi::xml_node exception = findLinkElement(linkDefs, key);
        return exception && exception.parent().remove_child(exception);
    }
    const pugi::xml_node link = findLocationLink(linkDefs, key.pcu, key.text);
    return link && link.parent().remove_child(link);
}

std::optional<LinkAssignment> readLinkAssignment(pugi::xml_node node)
{
    if (!node)
        return std::nullopt;
    LinkAssignment assignment{std::string(attributeValue(node, X::ZelAlarm)), std::nullopt};
    if (const pugi::xml_attribute group = node.attribute(X::ZelGroup))
        assignment.zelGroup = group.value();
    return assignment;
}

// A location exception replaces the group even without a zel_group of its own.
std::optional<LinkTarget> resolveLinkTarget(const LinkAssignment* generalException,
                                            const LinkAssignment* locationLink,
                                            const LinkAssignment* locationException,
                                            const XmlDocument& zelDefs)
{
    Assignment assignment;
    if (generalException)
        apply(*generalException, assignment);
    if ((!generalException || !decidesAlone(*generalException)) && locationLink) {
        apply(*locationLink, assignment);
        if (locationException) {
            assignment.zelGroup.clear();
            apply(*locationException, assignment);
        }
    }
    return toTarget(assignment, zelDefs);
}

std::optional<LinkTarget> LookupLink(const XmlDocument& linkDefs, const XmlDocument& zelDefs,
                                     std::string_view pcu, std::string_view text,
                                     std::string_view nr)
{
    const pugi::xml_node root = linkDefs.root();
    if (!FindChildNode(root, X::Locations))
        return std::nullopt;
    const std::optional<LinkAssignment> general =
        readLinkAssignment(findException(FindChildNode(root, X::GeneralExceptions), nr));
    if (general && decidesAlone(*general)) // the locations could not change the result
        return resolveLinkTarget(&*general, nullptr, nullptr, zelDefs);
    const pugi::xml_node link = findLocationLink(linkDefs, pcu, text);
    const std::optional<LinkAssignment> location = readLinkAssignment(link);
    const std::optional<LinkAssignment> exception = readLinkAssignment(findException(link, nr));
    return resolveLinkTarget(orNull(general), orNull(location), orNull(exception), zelDefs);
}

int UnlinkedCount(const XmlDocument& linkDefs)
{
    const pugi::xml_node root = linkDefs.root();
    if (std::string_view(root.name()) != kLinkDefsRoot)
        return 0;
    int count = 0;
    const auto countExceptions = [&count](pugi::xml_node parent) {
        for (const pugi::xml_node exception : parent.children(X::Exception))
            count += hasAssignedZelAlarm(exception) ? 0 : 1;
    };
    for (const pugi::xml_node link : FindChildNode(root, X::Locations).children(X::Location)) {
        count += hasAssignedZelAlarm(link) ? 0 : 1;
        countExceptions(link);
    }
    countExceptions(FindChildNode(root, X::GeneralExceptions));
    return count;
}

bool AllLinksAssigned(const XmlDocument& linkDefs)
{
    const pugi::xml_node root = linkDefs.root();
    if (std::string_view(root.name()) != kLinkDefsRoot)
        return false;
    const pugi::xml_node locations = FindChildNode(root, X::Locations);
    for (const pugi::xml_node link : locations.children(X::Location)) {
        if (!hasAssignedZelAlarm(link) || !allExceptionsAssigned(link))
            return false;
    }
    return allExceptionsAssigned(FindChildNode(root, X::GeneralExceptions));
}
