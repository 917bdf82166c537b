#pragma once

#include <pugixml.hpp>

#include <string_view>

// Small edits on the attribute-only documents of the gateway.

// Sets the attribute, appending it when absent; an empty value is stored as an empty
// attribute, which readers tell apart from an absent one.
void setNodeAttribute(pugi::xml_node node, const char* name, std::string_view value);

// The value of the attribute, empty when absent.
std::string_view attributeValue(pugi::xml_node node, const char* name);

// The first child named name (found as FindChildNode finds it), appended at the end of the
// parent when there is none.
pugi::xml_node findOrAppendChild(pugi::xml_node parent, const char* name);

// value, or the placeholder that stands for a value the office server did not give.
std::string_view orNotGiven(std::string_view value);

// The value of the attribute, the placeholder only when it is absent: an empty value the
// office server gave stays empty.
std::string_view attributeOrNotGiven(pugi::xml_node node, const char* name);

// Stored for a pcu, location, text or nr that the office server did not give.
inline constexpr std::string_view NotGivenValue = "-\\-";
