#include "NodeKeyIndex.h"

#include "SearchOrder.h"

#include <utility>

NodeKeyIndex::NodeKeyIndex(pugi::xml_node parent, const char* name,
                           std::vector<const char*> keyAttributes, KeyPart keyPart)
    : m_name(name), m_keyAttributes(std::move(keyAttributes)), m_keyPart(keyPart)
{
    collect(parent);
}

// The first entry of a key in FindChildNode's order wins, as it would for FindChildNode.
void NodeKeyIndex::collect(pugi::xml_node parent)
{
    forEachInSearchOrder(parent, m_name, [this](pugi::xml_node child) { add(child); });
}

void NodeKeyIndex::add(pugi::xml_node node)
{
    std::string key;
    for (const char* attributeName : m_keyAttributes) {
        const pugi::xml_attribute attr = node.attribute(attributeName);
        if (m_keyPart) {
            appendKeyPart(key, m_keyPart(attr.value()));
            continue;
        }
        if (!attr)
            return; // an absent attribute never matches, not even an empty value
        appendKeyPart(key, attr.value());
    }
    m_nodes.try_emplace(std::move(key), node);
}

pugi::xml_node NodeKeyIndex::find(std::initializer_list<std::string_view> values) const
{
    if (values.size() != m_keyAttributes.size())
        return {};
    std::string key;
    for (const std::string_view value : values)
        appendKeyPart(key, m_keyPart ? m_keyPart(value) : value);
    const auto it = m_nodes.find(key);
    return it == m_nodes.end() ? pugi::xml_node() : it->second;
}
