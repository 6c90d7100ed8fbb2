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
// further failures of the same file stay quiet until a write to it succeeds again. A refused
// write is not lost: it is kept (a later value for the same key replaces it) and made again
// after the next write that succeeds and at each RetryUnsavedSettings, so that what the
// operator set reaches the file once the disk has room or the folder is writable again.
void WriteIni(Services& services, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file);

// Says, once for each settings file that exists but cannot be read, "cannot read FILE:
// REASON: running on defaults, the file is left as it is" in a warning box titled with the
// program's title. Start-up calls it before it reads the first key.
void ReportUnreadableSettingsFiles(Services& services);

// Makes the kept writes again, in order; those the store takes are dropped, and a file that
// refuses one is not tried again in this pass. Quiet: failures were reported when first met.
void RetryUnsavedSettings(Services& services);

}  // namespace corvantis
