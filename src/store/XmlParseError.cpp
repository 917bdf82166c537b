#include "XmlParseError.h"

#include "XmlText.h"

#include <string>

void loadXmlText(pugi::xml_document& dom, std::string_view text)
{
    const DecodedXml decoded = decodeXmlBytes(text);
    if (!decoded.ok()) {
        dom.reset();
        throw XmlParseError(decoded.error);
    }
    loadDecodedXmlText(dom, decoded.text);
}

void loadDecodedXmlText(pugi::xml_document& dom, std::string_view utf8Text)
{
    const pugi::xml_parse_result result =
        dom.load_buffer(utf8Text.data(), utf8Text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        // The parser keeps a partial tree; it must not pass for the answer.
        dom.reset();
        throw XmlParseError(std::string("XML parse error: ") + result.description() +
                            " at offset " + std::to_string(result.offset));
    }
}
