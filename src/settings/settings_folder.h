// Where the two settings files live.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/path_style.h"

namespace corvantis {

// The environment and file-system questions the choice asks, replaceable in tests.
struct FolderChecks {
    // The value of an environment variable, or nothing when it is not set.
    std::function<std::optional<std::string>(const std::string& name)> environment;
    // Whether a new file can be created in `folder` right now.
    std::function<bool(const std::string& folder)> writable;
    // Creates `folder` and its missing parents; true when the folder exists afterwards.
    std::function<bool(const std::string& folder)> create;
};

// The real environment and file system.
FolderChecks SystemFolderChecks();

// The per-user settings folder: on Windows %APPDATA%\Corvantis; elsewhere
// $XDG_CONFIG_HOME/corvantis when XDG_CONFIG_HOME is an absolute path, else
// $HOME/.config/corvantis. Nothing when the variables needed are not set.
std::optional<std::string> PerUserSettingsFolder(const FolderChecks& checks, PathStyle style);

// Whether `executableFolder` lies under a system prefix, where an installed program's files
// belong to the package manager or the installer and settings never go: /usr (and so
// /usr/local) and /opt on POSIX; the folders %ProgramFiles%, %ProgramFiles(x86)% and
// %ProgramW6432% name on Windows (compared without regard to case or separator style).
bool IsUnderSystemPrefix(const std::string& executableFolder, const FolderChecks& checks,
                         PathStyle style);

// The folder both settings files live in, without a trailing separator:
//  1. `overrideFolder` (from --settings-dir) when given; it is created when missing;
//  2. else `executableFolder` when a file can be created in it and it is not under a system
//     prefix (a copy unpacked into a folder of its own, or a per-user installation);
//  3. else the per-user folder, created when missing;
//  4. else, with no per-user folder known, `executableFolder` all the same (writes will then
//     fail and be reported).
std::string PickSettingsFolder(const std::optional<std::string>& overrideFolder,
                               const std::string& executableFolder, const FolderChecks& checks,
                               PathStyle style = kHostPathStyle);

}  // namespace corvantis
