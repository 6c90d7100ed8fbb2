// Key-value INI files, read and written one key at a time.
#pragma once

#include <string>

namespace corvantis {

// The profile functions every setting goes through. File names are full paths; sections and
// keys match without regard to ASCII letter case.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;

    // The value of `key` in `section` of `file`, or `fallback` when the file, the section or
    // the key is absent. A key present with an empty value gives empty text. The result is cut
    // to `capacity` - 1 characters.
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& fallback, std::size_t capacity,
                                  const std::string& file) = 0;

    // Stores `value` under `key` in `section` of `file`, replacing an existing value in place
    // or adding the key at the end of its section (the section at the end of the file, the
    // file when missing). Returns false when the write could not be made; `lastError` then
    // says why.
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) = 0;

    // Why the last failed write failed, for a person to read.
    virtual std::string LastError() const = 0;

    // Why `file` exists but cannot be read (reads then give their fallbacks, and writes leave
    // it alone), for a person to read; empty when it can be read or does not exist.
    virtual std::string ReadProblem(const std::string& file) {
        (void)file;
        return {};
    }
};

}  // namespace corvantis
