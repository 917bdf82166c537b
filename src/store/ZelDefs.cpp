#include "ZelDefs.h"

#include "SearchOrder.h"
#include "XmlNodeEdit.h"
#include "ZelCode.h"

#include <charconv>
#include <optional>

namespace {

// Decimal digits with an optional minus sign, nothing else; out of range is not an integer.
std::optional<int> integerValue(std::string_view text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<std::string> withoutLeadingZeros(std::string_view digits)
{
    const std::optional<int> value = integerValue(digits);
    if (!value)
        return std::nullopt;
    return std::to_string(*value);
}

int integerAttribute(pugi::xml_node node, const char* name)
{
    return integerValue(attributeValue(node, name)).value_or(0);
}

} // namespace

ZelAlarmCodes SplitZelAlarmRef(std::string_view ref)
{
    // A byte position is enough here: wherever it differs from the character position, the
    // first piece holds a character that is no digit and the split fails either way.
    if (ref.find(" - ") != 4)
        return {"0", "0"};
    const std::optional<std::string> location = withoutLeadingZeros(ref.substr(0, 4));
    const std::optional<std::string> alarm = withoutLeadingZeros(ref.substr(7, 2));
    if (!location || !alarm)
        return {"0", "0"};
    return {*location, *alarm};
}

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

pugi::xml_node findZelLocation(const XmlDocument& zelDefs, long long code)
{
    return findByCode(zelDefs.root(), ZelDefsXml::Location, code);
}

pugi::xml_node findZelAlarmIn(pugi::xml_node location, long long code)
{
    return findByCode(location, ZelDefsXml::Alarm, code);
}

pugi::xml_node findZelAlarm(const XmlDocument& zelDefs, std::string_view ref)
{
    const ZelAlarmCodes codes = SplitZelAlarmRef(ref);
    const pugi::xml_node location = findZelLocation(zelDefs, *zelCodeValue(codes.location));
    if (!location)
        return {};
    return findZelAlarmIn(location, *zelCodeValue(codes.alarm));
}

bool ZelAlarmExists(const XmlDocument& zelDefs, std::string_view ref)
{
    return bool(findZelAlarm(zelDefs, ref));
}

int GetGroupDelay(const XmlDocument& zelDefs, std::string_view ref)
{
    return integerAttribute(findZelAlarm(zelDefs, ref), ZelDefsXml::GroupDelay);
}

int GetRepeat(const XmlDocument& zelDefs, std::string_view ref)
{
    return integerAttribute(findZelAlarm(zelDefs, ref), ZelDefsXml::Repeat);
}
