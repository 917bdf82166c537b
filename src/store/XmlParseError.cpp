#include "XmlParseError.h"

#include <string>

void LoadXmlText(pugi::xml_document& dom, std::string_view text)
{
    const pugi::xml_parse_result result =
        dom.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        // The parser keeps a partial tree; it must not pass for the answer.
        dom.reset();
        throw XmlParseError(std::string("XML parse error: ") + result.description() +
                            " at offset " + std::to_string(result.offset));
    }
}
