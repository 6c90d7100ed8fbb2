#include "platform/line_settings.h"

#include <array>
#include <charconv>
#include <string>

#include "platform/failure.h"
#include "platform/serial_port.h"

namespace corvantis {
namespace {

constexpr int kLowestBaud = 50;
constexpr int kHighestBaud = 4'000'000;
constexpr int kFewestDataBits = 5;
constexpr int kMostDataBits = 8;

[[noreturn]] void Refuse(std::string_view text, std::string_view reason) {
    throw Failure(port_error::kInvalidSettings,
                  "Invalid port settings \"" + std::string(text) + "\": " + std::string(reason) +
                      ". Expected baud,parity,data bits,stop bits such as 9600,n,8,1.");
}

// A whole number without sign, blanks or leading zeros; -1 when `digits` is not one.
int WholeNumber(std::string_view digits) {
    if (digits.empty() || digits.front() == '0' || digits.size() > 9) {
        return -1;
    }
    int value = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return status == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

// The four comma-separated fields of `text`; refuses `text` when there are more or fewer.
std::array<std::string_view, 4> SplitFields(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::string_view rest = text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = rest.find(',');
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) {
            Refuse(text, "four fields separated by commas are needed");
        }
        fields[i] = rest.substr(0, comma);
        rest = last ? std::string_view() : rest.substr(comma + 1);
    }
    return fields;
}

// The parity `field` of `text` names: one letter n, e, o, m or s, either case.
Parity ParityOf(std::string_view text, std::string_view field) {
    if (field.size() == 1) {
        switch (field.front()) {
            case 'n':
            case 'N':
                return Parity::None;
            case 'e':
            case 'E':
                return Parity::Even;
            case 'o':
            case 'O':
                return Parity::Odd;
            case 'm':
            case 'M':
                return Parity::Mark;
            case 's':
            case 'S':
                return Parity::Space;
            default:
                break;
        }
    }
    Refuse(text, "the parity must be one of n, e, o, m, s");
}

// The stop bits `field` of `text` names: 1, 1.5 or 2.
StopBits StopBitsOf(std::string_view text, std::string_view field) {
    if (field == "1") {
        return StopBits::One;
    }
    if (field == "1.5") {
        return StopBits::OneAndHalf;
    }
    if (field == "2") {
        return StopBits::Two;
    }
    Refuse(text, "the stop bits must be 1, 1.5 or 2");
}

}  // namespace

LineSettings ParseLineSettings(std::string_view text) {
    const std::array<std::string_view, 4> fields = SplitFields(text);
    LineSettings settings;
    settings.baud = WholeNumber(fields[0]);
    if (settings.baud < kLowestBaud || settings.baud > kHighestBaud) {
        Refuse(text, "the baud rate must be a whole number from 50 to 4000000");
    }
    settings.parity = ParityOf(text, fields[1]);
    settings.dataBits = WholeNumber(fields[2]);
    if (settings.dataBits < kFewestDataBits || settings.dataBits > kMostDataBits) {
        Refuse(text, "the data bits must be 5, 6, 7 or 8");
    }
    settings.stopBits = StopBitsOf(text, fields[3]);
    return settings;
}

std::chrono::microseconds LineTime(std::size_t count, const LineSettings& settings) {
    const long long bits = 1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1) +
                           (settings.stopBits == StopBits::One ? 1 : 2);
    return std::chrono::microseconds(1'000'000LL * bits * static_cast<long long>(count) /
                                     settings.baud);
}

}  // namespace corvantis
