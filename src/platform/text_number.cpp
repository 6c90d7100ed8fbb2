#include "platform/text_number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "platform/ascii_text.h"
#include "platform/failure.h"

namespace corvantis {

namespace {
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// `digits`: an optional sign, digits and at most one point, with at least one digit. Read with a
// point as the decimal mark whatever the C locale says; beyond the range of double the result is
// plus or minus infinity, below the smallest magnitude it is zero.
double ParseDecimal(const std::string& digits) {
    const bool negative = digits.front() == '-';
    const char* first = digits.data() + ((digits.front() == '-' || digits.front() == '+') ? 1 : 0);
    const char* last = digits.data() + digits.size();
    double magnitude = 0;
    const auto result = std::from_chars(first, last, magnitude, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large when the whole part has a non-zero digit, too small otherwise.
        const char* significant = std::find_if(first, last, [](char c) { return c != '0'; });
        magnitude = (significant != last && *significant != '.') ? HUGE_VAL : 0.0;
    }
    return negative ? -magnitude : magnitude;
}

// Reads a signed decimal number from the start of `text` (after `pos`), skipping blanks
// when `skipInnerBlanks`. Returns the count of characters consumed (0: no number).
std::size_t ScanNumber(std::string_view text, bool skipInnerBlanks, double& value) {
    std::string digits;
    std::size_t pos = 0;
    auto skip = [&] {
        while (pos < text.size() && IsBlank(text[pos]) && (skipInnerBlanks || digits.empty())) {
            ++pos;
        }
    };
    skip();
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        digits += text[pos++];
    }
    bool any = false;
    bool point = false;
    for (;;) {
        if (skipInnerBlanks) {
            skip();
        }
        if (pos >= text.size()) {
            break;
        }
        const char c = text[pos];
        if (IsDigit(c)) {
            digits += c;
            any = true;
        } else if (c == '.' && !point) {
            digits += c;
            point = true;
        } else {
            break;
        }
        ++pos;
    }
    if (!any) {
        return 0;
    }
    value = ParseDecimal(digits);
    return pos;
}
}  // namespace

double LeadingNumber(std::string_view text) {
    double value = 0;
    return ScanNumber(text, /*skipInnerBlanks=*/true, value) > 0 ? value : 0;
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::int16_t RoundToInteger16(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        throw Failure(error::kOverflow, "Overflow");
    }
    return static_cast<std::int16_t>(rounded);
}

std::int16_t ToInteger16(std::string_view text) {
    double value = 0;
    const std::size_t used = ScanNumber(text, /*skipInnerBlanks=*/false, value);
    std::size_t rest = used;
    while (rest < text.size() && IsBlank(text[rest])) {
        ++rest;
    }
    if (used == 0 || rest != text.size()) {
        throw Failure(error::kTypeMismatch, "Type mismatch");
    }
    return RoundToInteger16(value);
}

}  // namespace corvantis
