#include "ZelLinkUpkeep.h"

#include "LinkDefs.h"
#include "XmlNodeEdit.h"
#include "ZelAlarmRef.h"
#include "ZelDefs.h"

#include <array>

namespace L = LinkDefsXml;

namespace {

constexpr std::array<const char*, 2> kReferences{L::ZelAlarm, L::ZelGroup};
// What a reference's four and two digits can hold.
constexpr long long RefLocationMax = 9999;
constexpr long long RefAlarmMax = 99;

// The location links, their exceptions and the general exceptions, as the clean-up has always
// visited them: an exception without a number is no link.
template <typename Visit> void forEachLink(const XmlDocument& linkDefs, Visit visit)
{
    const pugi::xml_node root = linkDefs.root();
    for (const pugi::xml_node link : FindChildNode(root, L::Locations).children(L::Location)) {
        visit(link);
        for (const pugi::xml_node exception : link.children(L::Exception)) {
            if (exception.attribute(L::Nr))
                visit(exception);
        }
    }
    for (const pugi::xml_node exception :
         FindChildNode(root, L::GeneralExceptions).children(L::Exception)) {
        if (exception.attribute(L::Nr))
            visit(exception);
    }
}

// Every element of the document, whatever its place, for the renumbering: a reference
// anywhere must follow.
template <typename Visit> void forEachElement(pugi::xml_node parent, Visit& visit)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        visit(child);
        forEachElement(child, visit);
    }
}

// The reference an assigned text holds; nothing for "0", an empty text, a malformed one, or
// location 0, which no catalogue item has.
std::optional<ZelAlarmRef> refCodes(std::string_view ref)
{
    const std::optional<ZelAlarmRef> parsed = ZelAlarmRef::parse(ref);
    if (!parsed || parsed->location == 0)
        return std::nullopt;
    return parsed;
}

bool namesItem(std::string_view ref, const ZelItemKey& key)
{
    const std::optional<ZelAlarmRef> codes = refCodes(ref);
    if (!codes || !key.hasValidCodes() || codes->location != key.location)
        return false;
    return key.isLocation() || codes->alarm == key.alarm;
}

// An assigned reference that names nothing in the catalogue.
bool isDangling(std::string_view ref, const XmlDocument& zelDefs)
{
    return isAssignedZelRef(ref) && !ZelAlarmExists(zelDefs, ref);
}

bool clearDangling(pugi::xml_node link, const XmlDocument& zelDefs)
{
    const std::string alarm(attributeValue(link, L::ZelAlarm));
    const std::string group(attributeValue(link, L::ZelGroup));
    const bool alarmExists = ZelAlarmExists(zelDefs, alarm);
    const bool groupExists = ZelAlarmExists(zelDefs, group);
    if (alarmExists && groupExists)
        return false;
    const std::string newAlarm = alarmExists ? alarm : std::string();
    const std::string newGroup = groupExists ? group : std::string();
    const bool changed = newAlarm != alarm || newGroup != group || !link.attribute(L::ZelAlarm) ||
                         !link.attribute(L::ZelGroup);
    setNodeAttribute(link, L::ZelAlarm, newAlarm);
    setNodeAttribute(link, L::ZelGroup, newGroup);
    return changed;
}

} // namespace

bool clearDanglingLinks(XmlDocument& linkDefs, const XmlDocument& zelDefs)
{
    bool changed = false;
    forEachLink(linkDefs, [&](pugi::xml_node link) { changed |= clearDangling(link, zelDefs); });
    return changed;
}

DanglingLinkCount countDanglingLinks(const XmlDocument& linkDefs, const XmlDocument& zelDefs,
                                     const ZelItemKey& deleted)
{
    DanglingLinkCount count;
    forEachLink(linkDefs, [&](pugi::xml_node link) {
        bool ofDeleted = false;
        bool other = false;
        for (const char* attribute : kReferences) {
            const std::string_view ref = attributeValue(link, attribute);
            if (!isDangling(ref, zelDefs))
                continue;
            (namesItem(ref, deleted) ? ofDeleted : other) = true;
        }
        count.ofDeleted += ofDeleted ? 1 : 0;
        count.others += other ? 1 : 0;
    });
    return count;
}

bool clearLinksOf(XmlDocument& linkDefs, const XmlDocument& zelDefs, const ZelItemKey& deleted)
{
    bool changed = false;
    forEachLink(linkDefs, [&](pugi::xml_node link) {
        for (const char* attribute : kReferences) {
            const std::string_view ref = attributeValue(link, attribute);
            if (namesItem(ref, deleted) && isDangling(ref, zelDefs)) {
                setNodeAttribute(link, attribute, {});
                changed = true;
            }
        }
    });
    return changed;
}

bool renumberZelLinks(XmlDocument& linkDefs, const ZelItemKey& from, const ZelItemKey& to)
{
    if (!from.hasValidCodes() || !to.hasValidCodes() || from == to ||
        from.isLocation() != to.isLocation() || to.location < 1 || to.location > RefLocationMax ||
        (!to.isLocation() && (to.alarm < 1 || to.alarm > RefAlarmMax)))
        return false;
    bool changed = false;
    auto follow = [&](pugi::xml_node element) {
        for (const char* attribute : kReferences) {
            const std::string_view ref = attributeValue(element, attribute);
            if (!namesItem(ref, from))
                continue;
            const int alarm = to.isLocation() ? refCodes(ref)->alarm : int(to.alarm);
            setNodeAttribute(element, attribute, ZelAlarmRef{int(to.location), alarm}.text());
            changed = true;
        }
    };
    forEachElement(linkDefs.dom(), follow);
    return changed;
}
