// ReadIni and WriteIni: every setting is read and written through these two.
#pragma once

#include <string>
#include <string_view>

#include "platform/program_info.h"

namespace corvantis {

struct Services;

// The two settings files, named as they are appended to the settings folder.
inline constexpr std::string_view kCorvantisIni = "\\Corvantis.ini";
inline constexpr std::string_view kDataIni = "\\data.ini";

// Full name of a settings file: the settings folder, the platform's separator, and the file
// name without its leading "\". Built afresh at every call.
std::string IniPath(const ProgramInfo& info, std::string_view fileName);

// The stored value of `key` (looked up in lower case) in `section` of `file`, or `fallback`
// when the file, section or key is absent; at most 749 characters.
std::string ReadIni(Services& services, const std::string& section, const std::string& key,
                    const std::string& fallback, const std::string& file);

// Stores `value` under the upper-cased `key` in `section` of `file`. Never raises. A write
// that cannot be made shows one warning on the status line naming the file and the reason;
// further failures of the same file stay quiet until a write to it succeeds again.
void WriteIni(Services& services, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file);

}  // namespace corvantis
