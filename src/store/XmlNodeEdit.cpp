#include "XmlNodeEdit.h"

#include "XmlDocument.h"

void setNodeAttribute(pugi::xml_node node, const char* name, std::string_view value)
{
    pugi::xml_attribute attr = node.attribute(name);
    if (!attr)
        attr = node.append_attribute(name);
    attr.set_value(value.data(), value.size());
}

std::string_view attributeValue(pugi::xml_node node, const char* name)
{
    return node.attribute(name).value();
}

pugi::xml_node findOrAppendChild(pugi::xml_node parent, const char* name)
{
    if (const pugi::xml_node found = FindChildNode(parent, name))
        return found;
    return parent.append_child(name);
}

std::string_view orNotGiven(std::string_view value)
{
    return value.empty() ? NotGivenValue : value;
}

std::string_view attributeOrNotGiven(pugi::xml_node node, const char* name)
{
    const pugi::xml_attribute attr = node.attribute(name);
    return attr ? std::string_view(attr.value()) : NotGivenValue;
}
