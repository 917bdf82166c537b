#pragma once

#include <pugixml.hpp>

#include <initializer_list>
#include <string>
#include <string_view>

// The elements named name below parent, in the order FindChildNode tries them: document order,
// descending only through elements of that same name. visit(node) returns true to stop; the
// node it stopped at is returned (null when it never stopped).
template <typename Visit>
pugi::xml_node findInSearchOrder(pugi::xml_node parent, std::string_view name, const Visit& visit)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || name != child.name())
            continue;
        if (visit(child))
            return child;
        if (child.first_child()) {
            if (const pugi::xml_node found = findInSearchOrder(child, name, visit))
                return found;
        }
    }
    return {};
}

// Every element of findInSearchOrder, without stopping.
template <typename Visit>
void forEachInSearchOrder(pugi::xml_node parent, std::string_view name, const Visit& visit)
{
    findInSearchOrder(parent, name, [&visit](pugi::xml_node node) {
        visit(node);
        return false;
    });
}

// Keys of several text parts are length-prefixed, so that ("a b", "c") and ("a", "b c") stay
// different keys.
inline void appendKeyPart(std::string& key, std::string_view part)
{
    key += std::to_string(part.size());
    key += ':';
    key += part;
}

inline std::string joinKey(std::initializer_list<std::string_view> parts)
{
    std::string key;
    for (const std::string_view part : parts)
        appendKeyPart(key, part);
    return key;
}
