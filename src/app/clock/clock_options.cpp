#include "app/clock/clock_options.h"

#include <charconv>
#include <string_view>

namespace corvantis {

namespace {

std::optional<int> Number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<int>> AddressList(std::string_view text) {
    std::vector<int> addresses;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const auto address = Number(text.substr(0, comma), 0, 99);
        if (!address) {
            return std::nullopt;
        }
        addresses.push_back(*address);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    if (addresses.empty()) {
        return std::nullopt;
    }
    return addresses;
}

}  // namespace

ClockOptions ParseClockOptions(const std::vector<std::string>& arguments) {
    ClockOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--ack") {
            options.acknowledge = true;
        } else if (argument == "--lines") {
            options.lines = true;
        } else if (argument == "--window") {
            options.window = true;
        } else if (argument == "--addresses" && hasValue) {
            const auto addresses = AddressList(arguments[++i]);
            if (!addresses) {
                options.error = "--addresses takes numbers 0-99 separated by commas";
                return options;
            }
            options.addresses = *addresses;
        } else if (argument == "--seconds" && hasValue) {
            options.seconds = Number(arguments[++i], 1, 1000000);
            if (!options.seconds) {
                options.error = "--seconds takes a whole number of seconds, 1 or more";
                return options;
            }
        } else if (argument == "--pty" && hasValue) {
            options.ptyFile = arguments[++i];
        } else if (!argument.empty() && argument[0] != '-' && !options.device) {
            options.device = argument;
        } else {
            options.error = "not understood: " + argument;
            return options;
        }
    }
    if (!options.help && options.device.has_value() == options.ptyFile.has_value()) {
        options.error = "give either a serial device or --pty FILE";
    }
    return options;
}

std::string ClockUsage(const std::string& program) {
    return "Usage: " + program +
           " [options] DEVICE\n"
           "       " +
           program +
           " [options] --pty FILE\n"
           "Plays a group of Vesper wall clocks on a serial line and shows what each one shows.\n"
           "  DEVICE            the serial device the clocks listen on (9600 8N1)\n"
           "  --pty FILE        make a pseudo-terminal pair, write the device Corvantis should\n"
           "                    open to FILE, and play the clocks on the other end\n"
           "  --addresses LIST  the clocks' addresses, 0-99, separated by commas (default 1,2)\n"
           "  --ack             answer each addressed command with \"ACK aa RULES\" or\n"
           "                    \"ACK aa ADDRESS nn\" and a line end\n"
           "  --seconds N       stop after N seconds\n"
           "  --lines           print lines even on a terminal (no redrawn screen)\n"
           "  --window          show the clocks as analog faces in a window\n";
}

}  // namespace corvantis
