// Reading numbers out of text the way stored settings and list texts need it, independent of
// the PC's regional settings (the decimal mark is always a point).
#pragma once

#include <cstdint>
#include <string_view>

namespace corvantis {

// The number that `text` begins with: blanks anywhere are skipped, then an optional sign,
// digits and an optional point with more digits. Text that does not begin with a number
// gives 0 ("12abc" -> 12, " -3.5" -> -3.5, "abc" -> 0, "" -> 0). Never raises: a number
// beyond the range of double gives plus or minus infinity.
double LeadingNumber(std::string_view text);

// `value` rounded to the nearest whole number, halves to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// The whole of `text` read as a number (blanks around it allowed) and rounded half to even
// into 16 bits. Raises Failure 13 "Type mismatch" for empty or non-numeric text and
// Failure 6 "Overflow" outside -32768..32767.
std::int16_t ToInteger16(std::string_view text);

// `value` rounded half to even into 16 bits; Failure 6 "Overflow" outside the range.
std::int16_t RoundToInteger16(double value);

}  // namespace corvantis
