#include "ZelDefs.h"

#include "SearchOrder.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"

namespace {

// In FindChildNode's order, so that the element found is the one the search by text found
// whenever the codes are written alike.
pugi::xml_node findByCode(pugi::xml_node parent, const char* name, long long code)
{
    return findInSearchOrder(parent, name, [code](pugi::xml_node node) {
        return zelCodeValue(attributeValue(node, ZelDefsXml::Code)) == code;
    });
}

} // namespace

int zelAlarmCount(pugi::xml_node alarm, const char* name)
{
    return storedCountValue(attributeValue(alarm, name)).value_or(0);
}

pugi::xml_node findZelLocation(const XmlDocument& zelDefs, long long code)
{
    return findByCode(zelDefs.root(), ZelDefsXml::Location, code);
}

pugi::xml_node findZelAlarmIn(pugi::xml_node location, long long code)
{
    return findByCode(location, ZelDefsXml::Alarm, code);
}

pugi::xml_node findZelAlarm(const XmlDocument& zelDefs, const ZelAlarmRef& ref)
{
    const pugi::xml_node location = findZelLocation(zelDefs, ref.location);
    if (!location)
        return {};
    return findZelAlarmIn(location, ref.alarm);
}

pugi::xml_node findZelAlarm(const XmlDocument& zelDefs, std::string_view ref)
{
    return findZelAlarm(zelDefs, ZelAlarmRef::parse(ref).value_or(ZelAlarmRef{}));
}

bool ZelAlarmExists(const XmlDocument& zelDefs, std::string_view ref)
{
    return bool(findZelAlarm(zelDefs, ref));
}

int GetGroupDelay(const XmlDocument& zelDefs, const ZelAlarmRef& ref)
{
    return zelAlarmCount(findZelAlarm(zelDefs, ref), ZelDefsXml::GroupDelay);
}

int GetRepeat(const XmlDocument& zelDefs, const ZelAlarmRef& ref)
{
    return zelAlarmCount(findZelAlarm(zelDefs, ref), ZelDefsXml::Repeat);
}

int GetGroupDelay(const XmlDocument& zelDefs, std::string_view ref)
{
    return zelAlarmCount(findZelAlarm(zelDefs, ref), ZelDefsXml::GroupDelay);
}

int GetRepeat(const XmlDocument& zelDefs, std::string_view ref)
{
    return zelAlarmCount(findZelAlarm(zelDefs, ref), ZelDefsXml::Repeat);
}
