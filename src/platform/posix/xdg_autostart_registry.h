// The current user's Run and RunOnce keys as XDG autostart entries, so that start-up
// registration works the same way on a Linux desktop.
//
// A value `name` under the Run key is the desktop entry <folder>/<name>.desktop whose Exec
// line runs the stored command at every log-in. Under the RunOnce key it is
// <folder>/<name>-RunOnce.desktop, marked "X-Corvantis-RunOnce=true"; the program removes
// such entries when it next starts (RemoveRunOnceEntries), so they run at the next log-in
// only. The stored command is one command line in the Exec key's own quoting (see
// ExecValueFor); only text values (RegistryType::String) can be stored.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace corvantis::posix {

// Error numbers as the Win32 registry returns them.
namespace registry_error {
inline constexpr long kFileNotFound = 2;
inline constexpr long kPathNotFound = 3;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kNotSupported = 50;
inline constexpr long kDiskFull = 112;
inline constexpr long kInvalidName = 123;
inline constexpr long kIoDevice = 1117;
}  // namespace registry_error

inline constexpr const char* kRunOnceMarker = "X-Corvantis-RunOnce";

class XdgAutostartRegistry : public Registry {
public:
    // `autostartFolder` holds the entries; it is created when the first entry is written.
    explicit XdgAutostartRegistry(std::string autostartFolder)
        : m_folder(std::move(autostartFolder)) {}

    // $XDG_CONFIG_HOME/autostart when XDG_CONFIG_HOME is an absolute path, else
    // $HOME/.config/autostart; empty when neither is known.
    static std::string DefaultFolder();

    // Opens the Run key or the RunOnce key (names compared without regard to letter case);
    // any other key does not exist (2).
    long OpenKey(const std::string& path, Key& key) override;
    // Writes the entry for `name`, replacing an earlier one. Only String values (the
    // command line, up to a zero byte if any) can be stored; other types give 50.
    long SetValue(Key key, const std::string& name, RegistryType type,
                  const std::vector<std::uint8_t>& data) override;
    // Removes the entry for `name`; 2 when there is none.
    long DeleteValue(Key key, const std::string& name) override;
    void CloseKey(Key key) override;

    // The command registered under `name` in the key `path`, or nothing when no entry
    // exists. Reads the entry file back; for tests and diagnostics.
    std::optional<std::string> RegisteredCommand(const std::string& path,
                                                 const std::string& name) const;

    const std::string& Folder() const { return m_folder; }
    // Where the entry for `name` lives; empty for a name that cannot be a file name.
    std::string EntryPath(bool runOnce, const std::string& name) const;

private:
    std::string m_folder;
    std::map<Key, bool> m_open;  // handle -> whether it is the RunOnce key
    Key m_nextKey = 1;
};

// Removes the entries in `autostartFolder` marked to run once. Returns how many it removed.
int RemoveRunOnceEntries(const std::string& autostartFolder);

// The Exec value of a desktop entry that runs `command`: "%" doubled, then the general
// escapes of string values ("\" as "\\", line breaks and tabs as \n, \r, \t).
std::string ExecValueFor(std::string_view command);
// The command an Exec value runs: the inverse of ExecValueFor.
std::string CommandFromExecValue(std::string_view value);

}  // namespace corvantis::posix
