#include "SendUndo.h"

#include "store/AlarmStatus.h"

void SendUndo::capture(pugi::xml_node entry, pugi::xml_node statusRoot,
                       const std::string& groupCode)
{
    m_entry = entry;
    m_entryAttributes = attributesOf(entry);
    m_groupCode = groupCode;
    m_groupAttributes.clear();
    const pugi::xml_node group =
        groupCode.empty() ? pugi::xml_node() : findGroupEntry(statusRoot, groupCode);
    m_groupExisted = bool(group);
    if (group)
        m_groupAttributes = attributesOf(group);
}

void SendUndo::restore(pugi::xml_node statusRoot) const
{
    if (m_entry)
        setAttributes(m_entry, m_entryAttributes);
    if (m_groupCode.empty())
        return;
    const pugi::xml_node group = findGroupEntry(statusRoot, m_groupCode);
    if (!group)
        return;
    if (m_groupExisted)
        setAttributes(group, m_groupAttributes);
    else
        statusRoot.remove_child(group);
}

void SendUndo::clear()
{
    *this = SendUndo();
}

SendUndo::Attributes SendUndo::attributesOf(pugi::xml_node node)
{
    Attributes attributes;
    for (const pugi::xml_attribute attribute : node.attributes())
        attributes.emplace_back(attribute.name(), attribute.value());
    return attributes;
}

void SendUndo::setAttributes(pugi::xml_node node, const Attributes& attributes)
{
    node.remove_attributes();
    for (const auto& [name, value] : attributes)
        node.append_attribute(name.c_str()) = value.c_str();
}
