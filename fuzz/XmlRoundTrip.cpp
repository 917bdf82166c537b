#include "XmlRoundTrip.h"

#include "store/XmlText.h"

#include <cstdlib>
#include <string>

namespace {

// Declarations, comments and processing instructions are not content; the parser keeps only
// the declaration anyway.
bool isContent(pugi::xml_node node)
{
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_pcdata:
    case pugi::node_cdata:
        return true;
    default:
        return false;
    }
}

pugi::xml_node nextContent(pugi::xml_node node)
{
    while (node && !isContent(node))
        node = node.next_sibling();
    return node;
}

bool sameAttributes(pugi::xml_node a, pugi::xml_node b)
{
    pugi::xml_attribute x = a.first_attribute();
    pugi::xml_attribute y = b.first_attribute();
    for (; x && y; x = x.next_attribute(), y = y.next_attribute()) {
        if (std::string_view(x.name()) != y.name() || std::string_view(x.value()) != y.value())
            return false;
    }
    return !x && !y;
}

bool sameNode(pugi::xml_node a, pugi::xml_node b)
{
    return a.type() == b.type() && std::string_view(a.name()) == b.name() &&
           std::string_view(a.value()) == b.value() && sameAttributes(a, b);
}

} // namespace

bool loadDocumentBytes(XmlDocument& document, std::string_view bytes)
{
    const DecodedXml decoded = decodeXmlBytes(bytes);
    if (!decoded.ok())
        return false;
    const pugi::xml_parse_result result = document.dom().load_buffer(
        decoded.text.data(), decoded.text.size(), pugi::parse_default | pugi::parse_declaration,
        pugi::encoding_utf8);
    if (!result)
        document.clear();
    return bool(result);
}

bool sameTree(pugi::xml_node a, pugi::xml_node b)
{
    pugi::xml_node x = nextContent(a.first_child());
    pugi::xml_node y = nextContent(b.first_child());
    for (; x && y; x = nextContent(x.next_sibling()), y = nextContent(y.next_sibling())) {
        if (!sameNode(x, y) || !sameTree(x, y))
            return false;
    }
    return !x && !y;
}

void abortUnlessSurvivesSave(const XmlDocument& document)
{
    const Latin1Xml written = serializeLatin1(document.dom());
    if (written.dropped != 0)
        std::abort();
    // Nothing the program wrote may need a repair when it reads it again.
    const DecodedXml decoded = decodeXmlBytes(written.bytes);
    if (!decoded.ok() || decoded.replaced != 0 || decoded.encoding != "ISO-8859-1")
        std::abort();
    XmlDocument again;
    if (!loadDocumentBytes(again, written.bytes) || !sameTree(document.dom(), again.dom()))
        std::abort();
}
