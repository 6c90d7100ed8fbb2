// Whole-file reads and crash-safe whole-file replacement, for the small text files the
// program keeps (settings, desktop entries).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/whole_files.h"

namespace corvantis::posix {

using corvantis::FileError;
using corvantis::FileIdentity;
using corvantis::ReadOutcome;

// Reads the whole file at `path` into `bytes`. Missing: the file (or a folder on its way) does
// not exist, `bytes` is empty. Failed: it exists but cannot be read; `error` says why.
ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes, FileError& error);

// The identity of the file at `path` (links followed), or nothing when it cannot be had.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Removes what an interrupted ReplaceFileAtomically of `path` left: files in the folder of the
// file `path` stands for (links followed) named "." + its name + ".tmp-" + 16 hex digits that
// are regular files last changed at least `minimumAge` ago, so a replace under way in another
// process is left alone. Returns how many were removed; errors are passed over.
int RemoveStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge);

// Replaces the file at `path` with exactly `bytes` so that a crash or power cut at any moment
// leaves either the old content or the new one, never a mix or a truncated file: the bytes go
// to a temporary file in the same folder, are flushed to the disk, the temporary file is
// renamed over `path`, then the folder is flushed. When `path` is a symbolic link, the file it
// points to is replaced (or created, for a link whose file does not exist yet) and the link
// stays; a link that leads nowhere (a loop, a missing folder) is an error, never replaced. An
// existing file's permission bits (and owner, as far as allowed) carry over; a new file gets 0666
// less the umask. A file the caller may not write (read-only to it) is not replaced. Returns true
// on success; otherwise nothing at `path` changed, no temporary file is left and `error` says why.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, FileError& error);

// The functions above as the file layer of the INI store.
class PosixWholeFiles final : public WholeFiles {
public:
    ReadOutcome Read(const std::string& path, std::string& bytes, FileError& error) const override {
        return ReadWholeFile(path, bytes, error);
    }
    std::optional<FileIdentity> IdentityOf(const std::string& path) const override {
        return posix::IdentityOf(path);
    }
    int RemoveStaleTemporaries(const std::string& path,
                               std::chrono::seconds minimumAge) const override {
        return posix::RemoveStaleTemporaries(path, minimumAge);
    }
    bool Replace(const std::string& path, std::string_view bytes, FileError& error) const override {
        return ReplaceFileAtomically(path, bytes, error);
    }
};

// The file layer every POSIX store shares: it keeps no state.
const PosixWholeFiles& Files();

}  // namespace corvantis::posix
