// Whole-file reads and crash-safe whole-file replacement, for the small text files the
// program keeps (settings, desktop entries).
#pragma once

#include <string>
#include <string_view>

namespace corvantis::posix {

// Why a file operation failed: the errno value and a sentence naming what failed.
struct FileError {
    int number = 0;
    std::string text;
};

enum class ReadOutcome { Read, Missing, Failed };

// Reads the whole file at `path` into `bytes`. Missing: the file (or a folder on its way) does
// not exist, `bytes` is empty. Failed: it exists but cannot be read; `error` says why.
ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes, FileError& error);

// Replaces the file at `path` with exactly `bytes` so that a crash or power cut at any moment
// leaves either the old content or the new one, never a mix or a truncated file: the bytes go
// to a temporary file in the same folder, are flushed to the disk, the temporary file is
// renamed over `path`, then the folder is flushed. When `path` is a symbolic link, the file it
// points to is replaced and the link stays. An existing file's permission bits (and owner, as
// far as allowed) carry over; a new file gets 0666 less the umask. A file the caller may not
// write (read-only to it) is not replaced. Returns true on success;
// otherwise nothing at `path` changed, no temporary file is left and `error` says why.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, FileError& error);

}  // namespace corvantis::posix
