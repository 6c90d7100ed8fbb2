// The serial line settings text "baud,parity,data,stop", as in "9600,n,8,1".
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

namespace corvantis {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    int baud = 9600;  // bits per second, 50 to 4000000
    Parity parity = Parity::None;
    int dataBits = 8;  // 5 to 8
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Reads "baud,parity,data,stop": baud a whole number 50-4000000 without sign or leading
// zeros; parity one letter n (none), e (even), o (odd), m (mark) or s (space), either case;
// data bits 5, 6, 7 or 8; stop bits 1, 1.5 or 2. No blanks anywhere. Any other text raises
// Failure port_error::kInvalidSettings naming the text and the expected form.
LineSettings ParseLineSettings(std::string_view text);

// How long the line takes to send `count` characters with `settings`: a start bit, the data
// bits, the parity bit when there is one and the stop bits (1.5 counts as 2) for each.
std::chrono::microseconds LineTime(std::size_t count, const LineSettings& settings);

}  // namespace corvantis
