// Start-up registration: the program's entry under the current user's Run (or RunOnce) key,
// and the autoStart check box that writes and removes it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/path_style.h"
#include "platform/program_info.h"
#include "platform/registry.h"

namespace corvantis {

class SettingsFiles;
class Window;

// What registering the program at log-on reaches: the registry, and the program's title and
// executable that make up the entry. The registry must outlive it.
struct AutoRunEntry {
    Registry& registry;
    ProgramInfo info;
};

// A registry value of any type. Integers are stored as REG_DWORD (4 bytes), text as REG_SZ
// (its characters, no terminating zero), byte arrays as REG_BINARY. Empty (monostate) and
// floating-point values have no registry type.
using RegistryValue = std::variant<std::monostate, std::int16_t, std::int32_t, std::string,
                                   std::vector<std::uint8_t>, double>;

// Opens `keyPath` for writing and stores `value` under `name`. False when the key cannot be
// opened (nothing else happens then) or the store fails. A value of no registry type closes
// the key and raises Failure 1001 "Unsupported value type"; nothing is stored.
bool RegWriteValue(Registry& registry, const std::string& keyPath, const std::string& name,
                   const RegistryValue& value);

// Opens `keyPath` for writing and deletes the value `name`. True exactly when it was deleted
// (false when the key cannot be opened or the value is not there).
bool RegRemoveValue(Registry& registry, const std::string& keyPath, const std::string& name);

// `path` as one command line: put in double quotes when it holds a character the command
// line would otherwise split or interpret. Windows: a blank or tab (else "C:\Program Files\x"
// would run C:\Program.exe). Elsewhere, by the Exec rules of desktop entries: blank, tab,
// line break, quotes, backslash, $, `, <, >, ~, |, &, ;, *, ?, #, ( and ); inside the quotes
// ", `, $ and \ are led by a backslash.
std::string QuoteCommandPath(const std::string& path, PathStyle style);

// The command that starts this program: the executable's folder, a separator unless the
// folder already ends with one, the executable's base name, and ".Exe" on Windows; quoted by
// QuoteCommandPath.
std::string AutoRunCommand(const ProgramInfo& info, PathStyle style = kHostPathStyle);

// mode 0: removes the value from the Run key; mode 1: writes it under the RunOnce key (next
// log-on only); any other mode: writes it under the Run key (every log-on). `name` and `path`
// lose their leading blanks; an empty name becomes the program's title, an empty path
// AutoRunCommand. Registry failures are not reported.
void SetAutoRun(AutoRunEntry& entry, std::int16_t mode, std::string name, std::string path);

// autoStart click: registers the program (mode 2) when the box is checked, removes the entry
// (mode 0) when it is clear; then writes the box's value under "AutoStart" as a blank-led
// number, whether or not the registry could be changed.
void OnAutoStartClicked(Window& window, AutoRunEntry& entry, SettingsFiles& settings);

}  // namespace corvantis
