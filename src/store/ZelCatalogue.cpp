#include "ZelCatalogue.h"

#include "Documents.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"
#include "ZelDefs.h"

#include <set>

namespace X = ZelDefsXml;

namespace {

std::optional<long long> codeOf(pugi::xml_node node)
{
    return zelCodeValue(attributeValue(node, X::Code));
}

// Visits the first child of each code, and the first of each Code text that is no number
// (with code 0 and that text).
template <typename Visit> void forEachCoded(pugi::xml_node parent, const char* name, Visit visit)
{
    std::set<long long> seen;
    std::set<std::string, std::less<>> seenInvalid;
    for (const pugi::xml_node child : parent.children(name)) {
        if (const std::optional<long long> code = codeOf(child)) {
            if (seen.insert(*code).second)
                visit(child, *code, std::optional<std::string>());
            continue;
        }
        std::string text(attributeValue(child, X::Code));
        if (seenInvalid.insert(text).second)
            visit(child, 0LL, std::optional<std::string>(std::move(text)));
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

// Whether the element is named by the code (or, when invalidCode is set, by that Code text).
bool hasCode(pugi::xml_node element, long long code, const std::optional<std::string>& invalidCode)
{
    const std::optional<long long> value = codeOf(element);
    if (invalidCode)
        return !value && attributeValue(element, X::Code) == *invalidCode;
    return value == code;
}

pugi::xml_node findByInvalidCode(pugi::xml_node parent, const char* name, const std::string& text)
{
    for (const pugi::xml_node child : parent.children(name)) {
        if (hasCode(child, 0, text))
            return child;
    }
    return {};
}

pugi::xml_node findLocation(const XmlDocument& zelDefs, const ZelItemKey& key)
{
    if (key.invalidLocationCode)
        return findByInvalidCode(zelDefs.root(), X::Location, *key.invalidLocationCode);
    return findZelLocation(zelDefs, key.location);
}

// The element of the key: its location, or that location's alarm.
pugi::xml_node findItem(const XmlDocument& zelDefs, const ZelItemKey& key)
{
    const pugi::xml_node location = findLocation(zelDefs, key);
    if (!location || key.isLocation())
        return location;
    if (key.invalidAlarmCode)
        return findByInvalidCode(location, X::Alarm, *key.invalidAlarmCode);
    return findZelAlarmIn(location, key.alarm);
}

void removeWithCode(pugi::xml_node parent, const char* name, long long code,
                    const std::optional<std::string>& invalidCode)
{
    for (pugi::xml_node child = parent.child(name); child;) {
        const pugi::xml_node next = child.next_sibling(name);
        if (hasCode(child, code, invalidCode))
            parent.remove_child(child);
        child = next;
    }
}

std::vector<ZelAlarmEntry> alarmsOf(pugi::xml_node location)
{
    std::vector<ZelAlarmEntry> alarms;
    forEachCoded(location, X::Alarm,
                 [&](pugi::xml_node alarm, long long code, std::optional<std::string> invalid) {
                     alarms.push_back(
                         {code, std::string(attributeValue(alarm, X::Name)), std::move(invalid)});
                 });
    return alarms;
}

} // namespace

std::vector<ZelLocationEntry> readZelCatalogue(const XmlDocument& zelDefs, ZelCatalogueDepth depth)
{
    std::vector<ZelLocationEntry> entries;
    forEachCoded(zelDefs.root(), X::Location,
                 [&](pugi::xml_node location, long long code, std::optional<std::string> invalid) {
                     ZelLocationEntry entry{code,
                                            std::string(attributeValue(location, X::Name)),
                                            {},
                                            std::move(invalid)};
                     entry.hasAlarms = bool(location.child(X::Alarm));
                     if (depth == ZelCatalogueDepth::LocationsAndAlarms)
                         entry.alarms = alarmsOf(location);
                     entries.push_back(std::move(entry));
                 });
    return entries;
}

std::vector<ZelAlarmEntry> readZelAlarms(const XmlDocument& zelDefs, const ZelItemKey& location)
{
    return alarmsOf(findLocation(zelDefs, location));
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
        data.groupDelay = zelAlarmCount(element, X::GroupDelay);
        data.repeat = zelAlarmCount(element, X::Repeat);
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
    return addZelAlarm(zelDefs, ZelItemKey{location, 0}, data);
}

ZelEditOutcome addZelAlarm(XmlDocument& zelDefs, const ZelItemKey& location,
                           const ZelItemData& data)
{
    pugi::xml_node element = findLocation(zelDefs, location);
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
    const bool location = key.isLocation();
    // An invalid code has no number: any number given is a new one.
    const bool hadNumber = location ? !key.invalidLocationCode : !key.invalidAlarmCode;
    if (!hadNumber || data.code != (location ? key.location : key.alarm)) {
        const bool taken = location ? bool(findZelLocation(zelDefs, data.code))
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
    if (key.isLocation())
        removeWithCode(parent, element.name(), key.location, key.invalidLocationCode);
    else
        removeWithCode(parent, element.name(), key.alarm, key.invalidAlarmCode);
    return ZelEditOutcome::Done;
}
