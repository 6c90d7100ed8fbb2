// INI files on a POSIX file system, read and written as the Windows profile functions do for
// every file this program keeps.
//
// Reading:
//  - a UTF-8 byte-order mark at the start is skipped; lines end in CR LF, LF or CR alone;
//  - "[name]" opens a section (blanks inside the brackets ignored); "key=value" is an entry;
//    a line whose first non-blank character is ";" is a comment; other lines are entries
//    without a value, which are never found;
//  - section and key names match without regard to ASCII letter case; blanks around keys and
//    values do not count;
//  - only the first section of a name counts, and the first entry of a key in it;
//  - one pair of matching quotes (" or ') around a value is removed;
//  - a key present with an empty value gives empty text, not the fallback.
// Writing:
//  - an existing entry is rewritten in its place as key=value, keeping the key's spelling in
//    the file; a new key goes after the last entry of its section; a new section, with the
//    key, goes at the end of the file; a missing file is created;
//  - every other line keeps its bytes, comments included; added lines end as the file's first
//    line does (CR LF for a new file);
//  - the file is replaced atomically (ReplaceFileAtomically): a crash leaves the old or the
//    new file, never a broken one. A write that changes nothing leaves the file alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/profile_store.h"

namespace corvantis::posix {

// The value of `key` in `section` of the INI text `text`, as stored (blanks around it and one
// pair of quotes removed), or nothing when the section or the key is absent.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` in `section` set to `value`, by the writing rules above.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

class IniFileStore : public ProfileStore {
public:
    // An unreadable or missing file gives the fallback (its trailing blanks removed). The
    // result holds at most `capacity` - 1 characters.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t capacity,
                          const std::string& file) override;

    // False when the file exists but cannot be read (it is then left alone, never rewritten
    // from nothing) or cannot be replaced; LastError names the file and the reason.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;

    std::string LastError() const override { return m_lastError; }

private:
    std::string m_lastError;
};

}  // namespace corvantis::posix
