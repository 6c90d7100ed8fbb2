// Whole-file reads and crash-safe replacement with the Win32 file functions, and the INI store
// on them: the store the Windows program saves its settings through.
#pragma once

#include <string>

#include "platform/ini_file_store.h"
#include "platform/whole_files.h"

namespace corvantis {

// Paths are full names in the system's 8-bit code page (the one GetModuleFileNameA gives);
// they are widened for the wide-character functions.
//
// Replace writes the bytes to a new file beside the target named "." + its name + ".tmp-" + 16
// hex digits, flushes it to the disk (FlushFileBuffers), and moves it over the target in one
// step (MoveFileExW with MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH). The target's
// hidden, system and archive attributes carry over; a read-only target is refused. When the
// target is a symbolic link, the file it leads to is replaced and the link stays. A target
// held open by another program without delete sharing (an indexer, a virus scanner) is tried
// again a few times within a tenth of a second before the replace is given up.
//
// UTF-16 files' values cross to and from the ANSI code page (CP_ACP), as the "A" profile
// functions convert them.
class Win32WholeFiles final : public WholeFiles {
public:
    ReadOutcome Read(const std::string& path, std::string& bytes, FileError& error) const override;
    std::optional<FileIdentity> IdentityOf(const std::string& path) const override;
    int RemoveStaleTemporaries(const std::string& path,
                               std::chrono::seconds minimumAge) const override;
    bool Replace(const std::string& path, std::string_view bytes, FileError& error) const override;
    std::string LocalFromUtf8(const std::string& text) const override;
    std::string Utf8FromLocal(const std::string& text) const override;
};

// The file layer every Win32 store shares: it keeps no state.
const Win32WholeFiles& Win32Files();

// The INI store of the Windows program (see platform/ini_file_store.h for its rules).
class Win32IniFileStore final : public IniFileStore {
public:
    Win32IniFileStore() : IniFileStore(Win32Files()) {}
};

}  // namespace corvantis
