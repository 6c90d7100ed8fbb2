// Text between the program's 8-bit strings (the system's ANSI code page, as the profile
// functions take them) and the wide strings of the W functions.
#pragma once

#include <string>

namespace corvantis {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace corvantis
