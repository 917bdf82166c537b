// Time texts of the alarm status: whatever a file holds, parsing never fails unsafely, and a
// time that parses is written back as a text that parses to the same second.
#include "store/TimestampText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<Timestamp> parsed = tryParseTimestampText(text);
    (void)ParseTimestampText(text);
    if (!parsed)
        return 0;
    const std::string written = TimestampText(*parsed);
    const std::optional<Timestamp> again = tryParseTimestampText(written);
    if (!again || std::fabs(*again - *parsed) * 86400.0 > 0.5)
        std::abort();
    return 0;
}
