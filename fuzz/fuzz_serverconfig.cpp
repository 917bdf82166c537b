// Alarm configuration answers of the office server: whatever bytes arrive, reading them into
// the link definitions never fails unsafely, and the link document survives its own save:
// written as the file is written and read again, it has the same tree.
#include "XmlRoundTrip.h"

#include "poclient/ServerConfigReader.h"
#include "store/XmlParseError.h"
#include "store/XmlText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

// A location with exceptions (one with a text the answer may refresh), an unassigned one,
// known alarm types and a general exception.
constexpr std::string_view kLinkDefs =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<ZelPOLinkDefs>\n"
    "\t<PO_Locations>\n"
    "\t\t<PO_loc pcu=\"Pcu1\" text=\"Kas 3\" zel_alarm=\"0012 - 05\" zel_group=\"0020 - 01\">\n"
    "\t\t\t<Except nr=\"1\" text=\"Hoog\" zel_alarm=\"0012 - 06\"/>\n"
    "\t\t\t<Except nr=\"3\" zel_alarm=\"\" zel_group=\"\"/>\n"
    "\t\t</PO_loc>\n"
    "\t\t<PO_loc pcu=\"Pcu2\" text=\"Ketelhuis \xe9\" zel_alarm=\"0\"/>\n"
    "\t</PO_Locations>\n"
    "\t<PO_AlarmTypes>\n"
    "\t\t<PO_Alarm nr=\"1\" text=\"Hoge temperatuur\"/>\n"
    "\t\t<PO_Alarm nr=\"3\" text=\"Storing &#8364;\"/>\n"
    "\t</PO_AlarmTypes>\n"
    "\t<PO_Exceptions>\n"
    "\t\t<Except nr=\"1\" text=\"Hoog\" zel_alarm=\"9999 - 08\" zel_group=\"\"/>\n"
    "\t</PO_Exceptions>\n"
    "</ZelPOLinkDefs>\n";

XmlDocumentHandle freshLinkDefs()
{
    auto linkDefs = std::make_unique<XmlDocument>();
    if (!loadDocumentBytes(*linkDefs, kLinkDefs))
        std::abort();
    return linkDefs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);

    // As the polling worker hands an answer over: decoded once; the reader decodes it again.
    const DecodedXml decoded = decodeXmlBytes(answer);
    if (!decoded.ok())
        return 0;

    const XmlDocumentHandle linkDefs = freshLinkDefs();
    try {
        (void)ReadServerConfig(linkDefs, decoded.text);
    } catch (const XmlParseError&) {
        // A malformed answer changes nothing.
        if (!sameTree(linkDefs->dom(), freshLinkDefs()->dom()))
            std::abort();
        return 0;
    }
    abortUnlessSurvivesSave(*linkDefs);
    return 0;
}
