#pragma once

#include <pugixml.hpp>

#include <stdexcept>
#include <string_view>

// An answer of the office server that is not well-formed XML or cannot be decoded. Raised
// before anything is changed, so that the caller's processing of that answer ends with its
// documents untouched.
class XmlParseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Parses the bytes of an answer into dom, decoded as decodeXmlBytes reads them: by byte-order
// mark or declaration, else UTF-8 when valid, else ISO-8859-1; what XML cannot hold becomes
// U+FFFD. Throws XmlParseError, leaving dom empty, when the declared encoding is unsupported
// or the text is not well-formed or has no root element.
void loadXmlText(pugi::xml_document& dom, std::string_view text);
// The same for a text already decoded to UTF-8, which is not decoded again.
void loadDecodedXmlText(pugi::xml_document& dom, std::string_view utf8Text);
