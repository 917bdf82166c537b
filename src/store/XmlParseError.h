#pragma once

#include <pugixml.hpp>

#include <stdexcept>
#include <string_view>

// An answer of the office server that is not well-formed XML. Raised before anything is
// changed, so that the caller's processing of that answer ends with its documents untouched.
class XmlParseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Parses the bytes of an answer into dom, in the encoding that its byte-order mark or
// declaration names (UTF-8 otherwise). Throws XmlParseError, leaving dom empty, when the
// text is not well-formed or has no root element.
void LoadXmlText(pugi::xml_document& dom, std::string_view text);
