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

}  // namespace

LineSettings ParseLineSettings(std::string_view text) {
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

    LineSettings settings;
    settings.baud = WholeNumber(fields[0]);
    if (settings.baud < kLowestBaud || settings.baud > kHighestBaud) {
        Refuse(text, "the baud rate must be a whole number from 50 to 4000000");
    }

    if (fields[1].size() != 1) {
        Refuse(text, "the parity must be one of n, e, o, m, s");
    }
    switch (fields[1].front()) {
        case 'n':
        case 'N':
            settings.parity = Parity::None;
            break;
        case 'e':
        case 'E':
            settings.parity = Parity::Even;
            break;
        case 'o':
        case 'O':
            settings.parity = Parity::Odd;
            break;
        case 'm':
        case 'M':
            settings.parity = Parity::Mark;
            break;
        case 's':
        case 'S':
            settings.parity = Parity::Space;
            break;
        default:
            Refuse(text, "the parity must be one of n, e, o, m, s");
    }

    settings.dataBits = WholeNumber(fields[2]);
    if (settings.dataBits < 5 || settings.dataBits > 8) {
        Refuse(text, "the data bits must be 5, 6, 7 or 8");
    }

    if (fields[3] == "1") {
        settings.stopBits = StopBits::One;
    } else if (fields[3] == "1.5") {
        settings.stopBits = StopBits::OneAndHalf;
    } else if (fields[3] == "2") {
        settings.stopBits = StopBits::Two;
    } else {
        Refuse(text, "the stop bits must be 1, 1.5 or 2");
    }
    return settings;
}

}  // namespace corvantis
