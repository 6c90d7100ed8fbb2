// Golden bytes of the clock messages, shared by the unit tests of the builders and by the
// end-to-end tests of both programs. Positions count from 0; each message is 35 characters.
#pragma once

#include <string_view>

namespace corvantis::testing {

// Characters 15-34 of every time-only message (kind digit 1), after the 15-character time.
inline constexpr std::string_view kTimeOnlyTail = "         1         #";

// Characters 15-34 of the rules message (kind digit 2) with the default display rules:
// daylight saving from the second Sunday of March to the first Sunday of November, change at
// hour 2, offset -6, leap-second year 0.
inline constexpr std::string_view kDefaultRulesTail = "  32711172 0 -6 2 0#";

// The whole addressed command (kind digit 3) to clock "0", keeping address "0", with the
// set-address flag, carrying the default display rules: what "Send Above Address to Clock"
// sends with the addresses a fresh settings folder holds.
inline constexpr std::string_view kDefaultAddressedCommand = "* 0 01           32711173 0 -6 2 0#";

// Where the kind digit sits.
inline constexpr std::size_t kKindDigitAt = 24;

}  // namespace corvantis::testing
