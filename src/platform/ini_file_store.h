// INI files through one OS's file layer (WholeFiles), read and written as the Windows profile
// functions do for every file this program keeps; the same text handling on every OS.
//
// Encoding:
//  - a file that starts with a UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian)
//    is read and written in UTF-16 of that order, as the Windows functions do; its text is
//    handled as UTF-8 in between, and the values read and written cross to the OS's 8-bit
//    text (WholeFiles::LocalFromUtf8). Any other file is 8-bit text, its bytes taken as they
//    are. Section and key names are ASCII.
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
//  - the file is replaced atomically (WholeFiles::Replace): a crash leaves the old or the new
//    file, never a broken one. A write that changes nothing leaves the file alone.
// Each file is read and parsed once, then again only when it has changed (another identity,
// see FileIdentity), so a large file costs one parse however many keys are read. Temporary
// files an interrupted replace left beside a file are removed the first time the store
// touches that file.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/profile_store.h"
#include "platform/whole_files.h"

namespace corvantis {

enum class TextEncoding { Bytes, Utf16Le, Utf16Be };

// A settings file's bytes as text: UTF-16 files (by their byte-order mark) as UTF-8, the
// byte-order mark becoming a UTF-8 one; other files as they are. A lone UTF-16 surrogate
// becomes its own 3-byte sequence and an odd last byte is kept in `tail`, so that
// EncodeIniFile gives back exactly the bytes read.
struct IniFileText {
    std::string text;
    TextEncoding encoding = TextEncoding::Bytes;
    std::string tail;
};
IniFileText DecodeIniFile(std::string_view bytes);
// `file.text` in `file.encoding`, then `file.tail`. For UTF-16, bytes that are not UTF-8 are
// taken as Latin-1 characters.
std::string EncodeIniFile(const IniFileText& file);

// An INI text looked up as FindIniValue does (first section of a name, first entry of a key
// in it, names without regard to ASCII case), with one pass over the text: it keeps the text
// and where each section's entries are, and indexes a section's keys when that section is
// first asked for, so memory beyond the text grows only with the sections read.
class IniIndex {
public:
    explicit IniIndex(std::string text);
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

private:
    struct Body {
        std::size_t begin = 0;
        std::size_t end = 0;
        // lower-cased key -> value as stored; filled at the first Find in the section
        mutable std::optional<std::map<std::string, std::string>> keys{};
    };
    std::string m_text;
    std::map<std::string, Body> m_sections;  // by lower-cased name
};

// The value of `key` in `section` of the INI text `text`, as stored (blanks around it and one
// pair of quotes removed), or nothing when the section or the key is absent.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` in `section` set to `value`, by the writing rules above.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

class IniFileStore : public ProfileStore {
public:
    // Reads and replaces files through `files`, which outlives the store.
    explicit IniFileStore(const WholeFiles& files) : m_files(files) {}

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

    // Why `file` exists but cannot be read; empty when it can be read or is missing.
    std::string ReadProblem(const std::string& file) override;

    // How many times a file was read and parsed for GetString.
    std::size_t FileReads() const { return m_fileReads; }

private:
    struct Cached {
        FileIdentity identity;
        IniIndex index;
        bool wide = false;  // a UTF-16 file: its values are converted to the OS's 8-bit text
    };
    // The parsed file, read afresh only when its identity changed; nullptr when it is missing
    // or cannot be read (m_readProblems then says why).
    const Cached* Load(const std::string& file);
    // Removes stale temporaries beside `file`, once per file.
    void Tidy(const std::string& file);

    const WholeFiles& m_files;
    std::string m_lastError;
    std::map<std::string, Cached> m_cache;
    std::map<std::string, std::string> m_readProblems;
    std::set<std::string> m_tidied;
    std::size_t m_fileReads = 0;
};

}  // namespace corvantis
