#include "ZelCatalogue.h"

#include "Documents.h"
#include "LinkDefs.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"
#include "ZelDefs.h"

#include <charconv>
#include <set>

namespace X = ZelDefsXml;

namespace {

std::optional<long long> codeOf(pugi::xml_node node)
{
    return zelCodeValue(attributeValue(node, X::Code));
}

template <typename Visit> void forEachCoded(pugi::xml_node parent, const char* name, Visit visit)
{
    std::set<long long> seen;
    for (const pugi::xml_node child : parent.children(name)) {
        const std::optional<long long> code = codeOf(child);
        if (code && seen.insert(*code).second)
            visit(child, *code);
    }
}

void writeItem(pugi::xml_node element, const ZelItemData& data, bool alarm)
{
    setNodeAttribute(element, X::Code, zelCodeText(data.code));
    setNodeAttribute(element, X::Name, data.name);
    if (alarm) {
        setNodeAttribute(element, X::GroupDelay, std::to_string(data.groupDelay));
        setNodeAttribute(element, X::Repeat, std::to_string(data.repeat));
    }
}

// Read as the look-ups read it: 0 unless the whole text is an integer.
int integerAttribute(pugi::xml_node node, const char* name)
{
    const std::string_view text = attributeValue(node, name);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// The element of the key: its location, or that location's alarm.
pugi::xml_node findItem(const XmlDocument& zelDefs, const ZelItemKey& key)
{
    const pugi::xml_node location = findZelLocation(zelDefs, key.location);
    if (!location || key.isLocation())
        return location;
    return findZelAlarmIn(location, key.alarm);
}

void removeWithCode(pugi::xml_node parent, const char* name, long long code)
{
    for (pugi::xml_node child = parent.child(name); child;) {
        const pugi::xml_node next = child.next_sibling(name);
        if (codeOf(child) == code)
            parent.remove_child(child);
        child = next;
    }
}

bool clearDangling(pugi::xml_node link, const XmlDocument& zelDefs)
{
    const std::string alarm(attributeValue(link, LinkDefsXml::ZelAlarm));
    const std::string group(attributeValue(link, LinkDefsXml::ZelGroup));
    const bool alarmExists = ZelAlarmExists(zelDefs, alarm);
    const bool groupExists = ZelAlarmExists(zelDefs, group);
    if (alarmExists && groupExists)
        return false;
    const std::string newAlarm = alarmExists ? alarm : std::string();
    const std::string newGroup = groupExists ? group : std::string();
    const bool changed = newAlarm != alarm || newGroup != group ||
                         !link.attribute(LinkDefsXml::ZelAlarm) ||
                         !link.attribute(LinkDefsXml::ZelGroup);
    setNodeAttribute(link, LinkDefsXml::ZelAlarm, newAlarm);
    setNodeAttribute(link, LinkDefsXml::ZelGroup, newGroup);
    return changed;
}

} // namespace

std::vector<ZelLocationEntry> readZelCatalogue(const XmlDocument& zelDefs)
{
    std::vector<ZelLocationEntry> entries;
    forEachCoded(zelDefs.root(), X::Location, [&](pugi::xml_node location, long long code) {
        ZelLocationEntry entry{code, std::string(attributeValue(location, X::Name)), {}};
        forEachCoded(location, X::Alarm, [&](pugi::xml_node alarm, long long alarmCode) {
            entry.alarms.push_back({alarmCode, std::string(attributeValue(alarm, X::Name))});
        });
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::optional<ZelItemData> readZelItem(const XmlDocument& zelDefs, const ZelItemKey& key)
{
    const pugi::xml_node element = findItem(zelDefs, key);
    if (!element)
        return std::nullopt;
    ZelItemData data;
    data.code = key.isLocation() ? key.location : key.alarm;
    data.name = attributeValue(element, X::Name);
    if (!key.isLocation()) {
        data.groupDelay = integerAttribute(element, X::GroupDelay);
        data.repeat = integerAttribute(element, X::Repeat);
    }
    return data;
}

ZelEditOutcome addZelLocation(XmlDocument& zelDefs, const ZelItemData& data)
{
    if (findZelLocation(zelDefs, data.code))
        return ZelEditOutcome::Duplicate;
    pugi::xml_node catalogue = zelDefs.rootForNameCheck();
    if (std::string_view(catalogue.name()) != kZelDefsRoot)
        return ZelEditOutcome::NotFound;
    writeItem(catalogue.append_child(X::Location), data, false);
    return ZelEditOutcome::Done;
}

ZelEditOutcome addZelAlarm(XmlDocument& zelDefs, long long location, const ZelItemData& data)
{
    pugi::xml_node element = findZelLocation(zelDefs, location);
    if (!element)
        return ZelEditOutcome::NotFound;
    if (findZelAlarmIn(element, data.code))
        return ZelEditOutcome::Duplicate;
    writeItem(element.append_child(X::Alarm), data, true);
    return ZelEditOutcome::Done;
}

ZelEditOutcome editZelItem(XmlDocument& zelDefs, const ZelItemKey& key, const ZelItemData& data)
{
    const pugi::xml_node element = findItem(zelDefs, key);
    if (!element)
        return ZelEditOutcome::NotFound;
    const long long oldCode = key.isLocation() ? key.location : key.alarm;
    if (data.code != oldCode) {
        const bool taken = key.isLocation() ? bool(findZelLocation(zelDefs, data.code))
                                            : bool(findZelAlarmIn(element.parent(), data.code));
        if (taken)
            return ZelEditOutcome::Duplicate;
    }
    writeItem(element, data, !key.isLocation());
    return ZelEditOutcome::Done;
}

ZelEditOutcome deleteZelItem(XmlDocument& zelDefs, const ZelItemKey& key)
{
    const pugi::xml_node element = findItem(zelDefs, key);
    if (!element)
        return ZelEditOutcome::NotFound;
    const pugi::xml_node parent = element.parent();
    removeWithCode(parent, element.name(), key.isLocation() ? key.location : key.alarm);
    return ZelEditOutcome::Done;
}

bool clearDanglingLinks(XmlDocument& linkDefs, const XmlDocument& zelDefs)
{
    namespace L = LinkDefsXml;
    bool changed = false;
    const pugi::xml_node root = linkDefs.root();
    for (const pugi::xml_node link : FindChildNode(root, L::Locations).children(L::Location)) {
        changed |= clearDangling(link, zelDefs);
        for (const pugi::xml_node exception : link.children(L::Exception)) {
            if (exception.attribute(L::Nr))
                changed |= clearDangling(exception, zelDefs);
        }
    }
    for (const pugi::xml_node exception :
         FindChildNode(root, L::GeneralExceptions).children(L::Exception)) {
        if (exception.attribute(L::Nr))
            changed |= clearDangling(exception, zelDefs);
    }
    return changed;
}
