#include "OfficeAlarmTypes.h"

#include "LinkDefs.h"
#include "XmlNodeEdit.h"

std::vector<OfficeAlarmType> officeAlarmTypes(const XmlDocument& linkDefs)
{
    std::vector<OfficeAlarmType> types;
    const pugi::xml_node section = FindChildNode(linkDefs.root(), LinkDefsXml::AlarmTypes);
    for (const pugi::xml_node type : section.children()) {
        if (type.type() != pugi::node_element)
            continue;
        types.push_back({std::string(attributeValue(type, LinkDefsXml::Nr)),
                         std::string(attributeValue(type, LinkDefsXml::Text))});
    }
    return types;
}
