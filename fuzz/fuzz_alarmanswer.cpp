// Active-alarms answers of the office server: whatever bytes arrive, decoding and merging
// them into the alarm status never fails unsafely, and the merged status survives its own
// save: written as the file is written and read again, it has the same tree.
#include "XmlRoundTrip.h"

#include "core/Clock.h"
#include "store/AlarmStatus.h"
#include "store/XmlParseError.h"
#include "store/XmlText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// An active alarm that was sent, one never sent, a returned one and a group, in the file's
// own encoding.
constexpr std::string_view kStatus =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<POAlarmStatus>\n"
    "\t<Alarm pcu=\"Pcu1\" location=\"Kas 3\" nr=\"1\" text=\"Hoge temperatuur\" "
    "start=\"20240612T131500\" State=\"A\" Sent=\"20240612T131510\"/>\n"
    "\t<Alarm pcu=\"Pcu2\" location=\"Ketelhuis \xe9\" nr=\"3\" text=\"Storing &#8364;\" "
    "start=\"20240612T140210\" State=\"A\" Sent=\"\"/>\n"
    "\t<Alarm pcu=\"-\\-\" location=\"-\\-\" nr=\"7\" text=\"\" start=\"20240611T080000\" "
    "State=\"R\" Sent=\"20240611T080001\"/>\n"
    "\t<Group ZelAlarm=\"0020 - 01\" Timeout=\"20240612T132000\" repeat=\"0\" Text=\"Kas\"/>\n"
    "</POAlarmStatus>\n";

// Merged alarms that carry no start take the current time: a fixed one keeps runs repeatable.
const ManualClock& fixedClock()
{
    static const ManualClock clock(QDateTime(QDate(2024, 6, 12), QTime(14, 0), Qt::UTC));
    return clock;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScopedClock clock(&fixedClock());
    const std::string_view answer(reinterpret_cast<const char*>(data), size);

    // As the polling worker reads an answer: decoded once, then merged.
    const DecodedXml decoded = decodeXmlBytes(answer);
    if (!decoded.ok())
        return 0;
    // Decoding what was decoded changes nothing, so the merge's own decoding is harmless.
    const DecodedXml again = decodeXmlBytes(decoded.text);
    if (!again.ok() || again.text != decoded.text || again.replaced != 0)
        std::abort();

    XmlDocument status;
    if (!loadDocumentBytes(status, kStatus))
        std::abort();
    try {
        (void)MergeActiveAlarms(status, decoded.text);
    } catch (const XmlParseError&) {
        // A malformed answer changes nothing.
        XmlDocument untouched;
        if (!loadDocumentBytes(untouched, kStatus) || !sameTree(status.dom(), untouched.dom()))
            std::abort();
        return 0;
    }
    abortUnlessSurvivesSave(status);
    return 0;
}
