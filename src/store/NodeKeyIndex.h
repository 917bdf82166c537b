#pragma once

#include <pugixml.hpp>

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Finds children by the values of a few key attributes with the result FindChildNode would
// give, without walking all children at every look-up: a merge or a configuration read that
// looks up each of n entries stays linear instead of quadratic.
//
// The index reflects the tree when it was built plus the nodes given to add(); the caller
// must not change key attributes or remove indexed nodes while using it.
class NodeKeyIndex
{
public:
    // Turns a key value into the form it is compared in (values and attributes alike).
    using KeyPart = std::string_view (*)(std::string_view);

    // With keyPart, an absent key attribute counts as an empty value and every value is
    // compared in the form keyPart gives; without it, values are compared as they are and an
    // absent attribute never matches.
    NodeKeyIndex(pugi::xml_node parent, const char* name, std::vector<const char*> keyAttributes,
                 KeyPart keyPart = nullptr);

    // The first element in document order whose key attributes are all present and equal to
    // values (one value per key attribute, in the same order); null when there is none.
    pugi::xml_node find(std::initializer_list<std::string_view> values) const;

    // Makes a node appended after the build findable. A node whose key is already indexed
    // stays hidden behind the earlier one, as it would for FindChildNode.
    void add(pugi::xml_node node);

private:
    void collect(pugi::xml_node parent);

    std::string m_name;
    std::vector<const char*> m_keyAttributes;
    KeyPart m_keyPart = nullptr;
    std::unordered_map<std::string, pugi::xml_node> m_nodes;
};
