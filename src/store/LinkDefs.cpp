#include "LinkDefs.h"

#include "Documents.h"
#include "XmlNodeEdit.h"
#include "ZelAlarmRef.h"
#include "ZelDefs.h"

namespace X = LinkDefsXml;

namespace {

// A ZEL alarm and group as read from an element, before they are split into their parts.
struct Assignment
{
    std::string zelAlarm;
    std::string zelGroup;
};

pugi::xml_node findLocationLink(pugi::xml_node root, std::string_view pcu, std::string_view text)
{
    const pugi::xml_node locations = FindChildNode(root, X::Locations);
    if (!locations)
        return {};
    return FindChildNode(locations, X::Location,
                         {{X::Pcu, std::string(pcu)}, {X::Text, std::string(text)}});
}

pugi::xml_node findException(pugi::xml_node parent, std::string_view nr)
{
    return FindChildNode(parent, X::Exception, {{X::Nr, std::string(nr)}});
}

pugi::xml_node findOrAppendException(pugi::xml_node parent, std::string_view nr)
{
    if (const pugi::xml_node found = findException(parent, nr))
        return found;
    const pugi::xml_node created = parent.append_child(X::Exception);
    SetAttribute(created, X::Nr, nr);
    return created;
}

void setException(pugi::xml_node exception, std::string_view text, std::string_view zelAlarm,
                  std::string_view zelGroup)
{
    if (!text.empty())
        SetAttribute(exception, X::Text, text);
    SetAttribute(exception, X::ZelAlarm, zelAlarm);
    SetAttribute(exception, X::ZelGroup, zelGroup);
}

// Reads zel_alarm always, zel_group only when the element has the attribute.
void readAssignment(pugi::xml_node node, Assignment& into)
{
    into.zelAlarm = AttributeValue(node, X::ZelAlarm);
    if (const pugi::xml_attribute group = node.attribute(X::ZelGroup))
        into.zelGroup = group.value();
}

Assignment generalAssignment(pugi::xml_node root, std::string_view nr)
{
    Assignment result;
    const pugi::xml_node general = FindChildNode(root, X::GeneralExceptions);
    if (const pugi::xml_node exception = findException(general, nr))
        readAssignment(exception, result);
    return result;
}

// The location link, overridden by its own exception for the alarm type; a group of a
// general exception survives only a location link without zel_group.
void applyLocation(pugi::xml_node locationLink, std::string_view nr, Assignment& assignment)
{
    readAssignment(locationLink, assignment);
    if (const pugi::xml_node exception = findException(locationLink, nr)) {
        assignment.zelGroup.clear();
        readAssignment(exception, assignment);
    }
}

std::optional<LinkTarget> toTarget(const Assignment& assignment, const XmlDocument& zelDefs)
{
    if (!IsAssignedZelRef(assignment.zelAlarm))
        return std::nullopt;
    LinkTarget target;
    target.zelLocation = ZelRefLocationPart(assignment.zelAlarm);
    target.zelAlarm = ZelRefAlarmPart(assignment.zelAlarm);
    if (IsAssignedZelRef(assignment.zelGroup)) {
        target.groupLocation = ZelRefLocationPart(assignment.zelGroup);
        target.groupAlarm = ZelRefAlarmPart(assignment.zelGroup);
    }
    target.repeatMinutes = GetRepeat(zelDefs, assignment.zelAlarm);
    return target;
}

bool hasAssignedZelAlarm(pugi::xml_node node)
{
    const pugi::xml_attribute attr = node.attribute(X::ZelAlarm);
    return attr && IsAssignedZelRef(attr.value());
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

void AssignLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view zelAlarm, std::string_view exceptNr, std::string_view exceptText,
                std::string_view zelGroup)
{
    if (pcu == GeneralExceptionsPcu) {
        AssignGeneralException(linkDefs, exceptNr, exceptText, zelAlarm, zelGroup);
        return;
    }
    const pugi::xml_node link =
        findLocationLink(linkDefs.root(), OrNotGiven(pcu), OrNotGiven(text));
    if (!link)
        return;
    if (exceptNr.empty()) {
        SetAttribute(link, X::ZelAlarm, zelAlarm);
        SetAttribute(link, X::ZelGroup, zelGroup);
        return;
    }
    setException(findOrAppendException(link, exceptNr), exceptText, zelAlarm, zelGroup);
}

void AssignGeneralException(XmlDocument& linkDefs, std::string_view nr, std::string_view text,
                            std::string_view zelAlarm, std::string_view zelGroup)
{
    const pugi::xml_node general = FindOrAppendChild(linkDefs.root(), X::GeneralExceptions);
    if (nr.empty())
        return;
    setException(findOrAppendException(general, nr), text, zelAlarm, zelGroup);
}

void RemoveLink(XmlDocument& linkDefs, std::string_view pcu, std::string_view text,
                std::string_view nr)
{
    const pugi::xml_node root = linkDefs.root();
    if (pcu == GeneralExceptionsPcu) {
        const pugi::xml_node general = FindChildNode(root, X::GeneralExceptions);
        if (!general || nr.empty())
            return;
        if (const pugi::xml_node exception = findException(general, nr))
            exception.parent().remove_child(exception);
        return;
    }
    if (const pugi::xml_node link = findLocationLink(root, OrNotGiven(pcu), OrNotGiven(text)))
        link.parent().remove_child(link);
}

std::optional<LinkTarget> LookupLink(const XmlDocument& linkDefs, const XmlDocument& zelDefs,
                                     std::string_view pcu, std::string_view text,
                                     std::string_view nr)
{
    const pugi::xml_node root = linkDefs.root();
    if (!FindChildNode(root, X::Locations))
        return std::nullopt;
    Assignment assignment = generalAssignment(root, nr);
    if (assignment.zelAlarm.empty()) {
        if (const pugi::xml_node link = findLocationLink(root, OrNotGiven(pcu), text))
            applyLocation(link, nr, assignment);
    }
    return toTarget(assignment, zelDefs);
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
