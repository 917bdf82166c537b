#include "NodeKeyIndex.h"

#include <utility>

NodeKeyIndex::NodeKeyIndex(pugi::xml_node parent, const char* name,
                           std::vector<const char*> keyAttributes)
    : m_name(name), m_keyAttributes(std::move(keyAttributes))
{
    collect(parent);
}

// Pre-order through elements of the searched name only, first entry of a key wins: the same
// order in which FindChildNode visits and accepts candidates.
void NodeKeyIndex::collect(pugi::xml_node parent)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || m_name != child.name())
            continue;
        add(child);
        if (child.first_child())
            collect(child);
    }
}

void NodeKeyIndex::add(pugi::xml_node node)
{
    std::string key;
    for (const char* attributeName : m_keyAttributes) {
        const pugi::xml_attribute attr = node.attribute(attributeName);
        if (!attr)
            return; // an absent attribute never matches, not even an empty value
        appendPart(key, attr.value());
    }
    m_nodes.try_emplace(std::move(key), node);
}

pugi::xml_node NodeKeyIndex::find(std::initializer_list<std::string_view> values) const
{
    if (values.size() != m_keyAttributes.size())
        return {};
    std::string key;
    for (const std::string_view value : values)
        appendPart(key, value);
    const auto it = m_nodes.find(key);
    return it == m_nodes.end() ? pugi::xml_node() : it->second;
}

// Length-prefixed parts, so that ("a b", "c") and ("a", "b c") stay different keys.
void NodeKeyIndex::appendPart(std::string& key, std::string_view value)
{
    key += std::to_string(value.size());
    key += ':';
    key += value;
}
