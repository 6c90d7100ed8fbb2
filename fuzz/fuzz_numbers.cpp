// Number and line-settings parsing: any text, never a crash, and only the documented outcomes.
//
// ToInteger16 either returns a number in range or raises Failure 13 or 6; LeadingNumber
// never raises; ParseLineSettings either gives settings within their ranges or raises a
// Failure. Anything else (another exception, a sanitizer report) ends the run.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/failure.h"
#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/text_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvantis;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double leading = LeadingNumber(text);
    if (std::isnan(leading)) {
        std::abort();
    }
    try {
        (void)ToInteger16(text);
    } catch (const Failure& failure) {
        if (failure.number() != error::kTypeMismatch && failure.number() != error::kOverflow) {
            std::abort();
        }
    }
    try {
        (void)RoundToInteger16(leading);
    } catch (const Failure& failure) {
        if (failure.number() != error::kOverflow) {
            std::abort();
        }
    }
    try {
        const LineSettings settings = ParseLineSettings(text);
        if (settings.baud < 50 || settings.baud > 4000000 || settings.dataBits < 5 ||
            settings.dataBits > 8) {
            std::abort();
        }
    } catch (const Failure& failure) {
        if (failure.number() != port_error::kInvalidSettings) {
            std::abort();
        }
    }
    return 0;
}
