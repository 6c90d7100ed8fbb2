// Whole-file reads and crash-safe whole-file replacement, as each OS provides them, for the
// small text files the program keeps (settings, desktop entries).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace corvantis {

// Why a file operation failed: the OS's error number (errno, or the Windows error code) and a
// sentence naming what failed.
struct FileError {
    int number = 0;
    std::string text;
};

enum class ReadOutcome { Read, Missing, Failed };

// What tells one version of a file from another without reading it: the volume (device), the
// file's number on it, its size and its last write and change times in the OS's own units. A
// replace or a write changes it.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// One OS's file layer. Paths are full names in the OS's own 8-bit form.
class WholeFiles {
public:
    virtual ~WholeFiles() = default;

    // Reads the whole file at `path` into `bytes`. Missing: the file (or a folder on its way)
    // does not exist, `bytes` is empty. Failed: it exists but cannot be read; `error` says why.
    virtual ReadOutcome Read(const std::string& path, std::string& bytes,
                             FileError& error) const = 0;

    // The identity of the file at `path`, or nothing when it cannot be had.
    virtual std::optional<FileIdentity> IdentityOf(const std::string& path) const = 0;

    // Removes the temporary files an interrupted Replace of `path` left beside it that were
    // last changed at least `minimumAge` ago, so a replace under way in another process is
    // left alone. Returns how many were removed; errors are passed over.
    virtual int RemoveStaleTemporaries(const std::string& path,
                                       std::chrono::seconds minimumAge) const = 0;

    // Replaces the file at `path` with exactly `bytes` so that a crash or power cut at any
    // moment leaves either the old content or the new one, never a mix or a truncated file. A
    // file the caller may not write (read-only to it) is not replaced. Returns true on
    // success; otherwise nothing at `path` changed, no temporary file is left and `error` says
    // why.
    virtual bool Replace(const std::string& path, std::string_view bytes,
                         FileError& error) const = 0;

    // The values of UTF-16 files cross between the file's text (UTF-8 in between) and the
    // 8-bit text callers use: the OS's 8-bit code page, as the Windows "A" profile functions
    // convert. Characters the code page lacks become what the OS substitutes. The default is
    // for an OS whose 8-bit text is UTF-8: nothing to convert.
    virtual std::string LocalFromUtf8(const std::string& text) const { return text; }
    virtual std::string Utf8FromLocal(const std::string& text) const { return text; }
};

}  // namespace corvantis
