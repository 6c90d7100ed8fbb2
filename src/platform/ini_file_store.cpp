#include "platform/ini_file_store.h"

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/ascii_text.h"

namespace corvantis {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kNewFileLineEnd = "\r\n";

enum class LineKind { Blank, Comment, Section, Entry, Other };

// One line of the file: its content [begin, end) and its terminator [end, next).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    LineKind kind = LineKind::Blank;
    std::string_view name{};   // section name or key, trimmed
    std::string_view value{};  // entry value, trimmed
};

struct IniText {
    std::string_view text{};
    std::size_t bodyStart = 0;  // after the byte-order mark
    std::vector<Line> lines{};
};

Line Classify(std::string_view text, std::size_t begin, std::size_t end, std::size_t next) {
    Line line{begin, end, next};
    const std::string_view content = TrimBlanks(text.substr(begin, end - begin));
    if (content.empty()) {
        return line;
    }
    if (content.front() == ';') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (content.front() == '[') {
        const auto close = content.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = TrimBlanks(content.substr(1, close - 1));
            return line;
        }
    }
    const auto equals = content.find('=');
    if (equals == std::string_view::npos) {
        line.kind = LineKind::Other;
        line.name = content;
        return line;
    }
    line.kind = LineKind::Entry;
    line.name = TrimBlanks(content.substr(0, equals));
    line.value = TrimBlanks(content.substr(equals + 1));
    return line;
}

// Calls `visit` with each line of `text` from `pos`, which starts a line, up to `stop`, which
// is the end of the text or the start of a line.
template <typename Visit>
void ForEachLine(std::string_view text, std::size_t pos, std::size_t stop, Visit&& visit) {
    while (pos < stop) {
        std::size_t end = pos;
        while (end < stop && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        std::size_t next = end;
        if (next < stop) {
            next += (text[next] == '\r' && next + 1 < stop && text[next + 1] == '\n') ? 2 : 1;
        }
        visit(Classify(text, pos, end, next));
        pos = next;
    }
}

IniText Parse(std::string_view text) {
    IniText ini{text};
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        ini.bodyStart = kUtf8Bom.size();
    }
    ForEachLine(text, ini.bodyStart, text.size(),
                [&](const Line& line) { ini.lines.push_back(line); });
    return ini;
}

// Lines [first, last) of the first section named `section`; first is the header's index.
struct SectionRange {
    std::size_t header;
    std::size_t last;
};

std::optional<SectionRange> FindSection(const IniText& ini, std::string_view section) {
    const std::string_view wanted = TrimBlanks(section);
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        if (ini.lines[i].kind == LineKind::Section &&
            EqualsIgnoringAsciiCase(ini.lines[i].name, wanted)) {
            std::size_t last = i + 1;
            while (last < ini.lines.size() && ini.lines[last].kind != LineKind::Section) {
                ++last;
            }
            return SectionRange{i, last};
        }
    }
    return std::nullopt;
}

const Line* FindEntry(const IniText& ini, const SectionRange& range, std::string_view key) {
    const std::string_view wanted = TrimBlanks(key);
    for (std::size_t i = range.header + 1; i < range.last; ++i) {
        const Line& line = ini.lines[i];
        if (line.kind == LineKind::Entry && EqualsIgnoringAsciiCase(line.name, wanted)) {
            return &line;
        }
    }
    return nullptr;
}

std::string_view WithoutQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The line end new lines get: the file's first, or CR LF when it has none.
std::string_view LineEndOf(const IniText& ini) {
    for (const Line& line : ini.lines) {
        if (line.next > line.end) {
            return ini.text.substr(line.end, line.next - line.end);
        }
    }
    return kNewFileLineEnd;
}

std::string EntryText(std::string_view key, std::string_view value) {
    std::string entry(key);
    entry += '=';
    entry += value;
    return entry;
}

std::string CutToCapacity(std::string_view value, std::size_t capacity) {
    if (capacity == 0) {
        return {};
    }
    return std::string(value.substr(0, capacity - 1));
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

constexpr auto kStaleTemporaryAge = std::chrono::seconds(5);

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code point of the UTF-8 sequence at `text`[pos] (lone surrogates allowed), and its
// length; an invalid or cut sequence gives its first byte as a Latin-1 character, length 1.
std::pair<std::uint32_t, std::size_t> NextCodePoint(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t lowest = 0;
    if (lead < 0x80) {
        return {lead, 1};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, lowest = 0x10000;
    } else {
        return {lead, 1};
    }
    if (pos + length > text.size()) {
        return {lead, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return {lead, 1};
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF) {
        return {lead, 1};
    }
    return {cp, length};
}

}  // namespace

IniFileText DecodeIniFile(std::string_view bytes) {
    IniFileText file;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        file.encoding = TextEncoding::Utf16Le;
    } else if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        file.encoding = TextEncoding::Utf16Be;
    } else {
        file.text = std::string(bytes);
        return file;
    }
    const bool little = file.encoding == TextEncoding::Utf16Le;
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const std::uint32_t first = byte(2 * i);
        const std::uint32_t second = byte(2 * i + 1);
        return little ? first | (second << 8) : (first << 8) | second;
    };
    file.text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        }
        AppendUtf8(file.text, cp);
    }
    if (bytes.size() % 2 != 0) {
        file.tail = std::string(bytes.substr(bytes.size() - 1));
    }
    return file;
}

std::string EncodeIniFile(const IniFileText& file) {
    if (file.encoding == TextEncoding::Bytes) {
        return file.text + file.tail;
    }
    const bool little = file.encoding == TextEncoding::Utf16Le;
    std::string bytes;
    bytes.reserve(file.text.size() * 2 + file.tail.size());
    const auto put = [&](std::uint32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += little ? low : high;
        bytes += little ? high : low;
    };
    for (std::size_t pos = 0; pos < file.text.size();) {
        const auto [cp, length] = NextCodePoint(file.text, pos);
        pos += length;
        if (cp < 0x10000) {
            put(cp);
        } else {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return bytes + file.tail;
}

IniIndex::IniIndex(std::string text) : m_text(std::move(text)) {
    const std::string_view all = m_text;
    std::size_t pos = all.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
    Body* open = nullptr;
    ForEachLine(all, pos, all.size(), [&](const Line& line) {
        if (line.kind != LineKind::Section) {
            return;
        }
        if (open != nullptr) {
            open->end = line.begin;
        }
        auto [section, first] = m_sections.try_emplace(LowerAscii(line.name));
        open = first ? &section->second : nullptr;
        if (open != nullptr) {
            open->begin = line.next;
            open->end = all.size();
        }
    });
}

std::optional<std::string> IniIndex::Find(std::string_view section, std::string_view key) const {
    const auto found = m_sections.find(LowerAscii(TrimBlanks(section)));
    if (found == m_sections.end()) {
        return std::nullopt;
    }
    const Body& body = found->second;
    if (!body.keys) {
        body.keys.emplace();
        ForEachLine(m_text, body.begin, body.end, [&](const Line& line) {
            if (line.kind == LineKind::Entry) {
                body.keys->try_emplace(LowerAscii(line.name),
                                       std::string(WithoutQuotes(line.value)));
            }
        });
    }
    const auto entry = body.keys->find(LowerAscii(TrimBlanks(key)));
    if (entry == body.keys->end()) {
        return std::nullopt;
    }
    return entry->second;
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const IniText ini = Parse(text);
    const auto range = FindSection(ini, section);
    if (!range) {
        return std::nullopt;
    }
    const Line* entry = FindEntry(ini, *range, key);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return std::string(WithoutQuotes(entry->value));
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    const IniText ini = Parse(text);
    const std::string_view lineEnd = LineEndOf(ini);
    std::string result;
    result.reserve(text.size() + key.size() + value.size() + section.size() + 8);

    const auto range = FindSection(ini, section);
    if (!range) {
        result.append(text);
        if (!ini.lines.empty() && ini.lines.back().next == ini.lines.back().end) {
            result.append(lineEnd);  // the last line had no line end
        }
        result.append("[").append(section).append("]").append(lineEnd);
        result.append(EntryText(key, value)).append(lineEnd);
        return result;
    }

    if (const Line* entry = FindEntry(ini, *range, key)) {
        result.append(text.substr(0, entry->begin));
        result.append(EntryText(entry->name, value));
        result.append(text.substr(entry->end));
        return result;
    }

    std::size_t after = range->header;
    for (std::size_t i = range->header + 1; i < range->last; ++i) {
        if (ini.lines[i].kind == LineKind::Entry || ini.lines[i].kind == LineKind::Other) {
            after = i;
        }
    }
    const Line& previous = ini.lines[after];
    result.append(text.substr(0, previous.next));
    if (previous.next == previous.end) {
        result.append(lineEnd);
    }
    result.append(EntryText(key, value)).append(lineEnd);
    result.append(text.substr(previous.next));
    return result;
}

void IniFileStore::Tidy(const std::string& file) {
    if (m_tidied.insert(file).second) {
        m_files.RemoveStaleTemporaries(file, kStaleTemporaryAge);
    }
}

const IniFileStore::Cached* IniFileStore::Load(const std::string& file) {
    Tidy(file);
    const auto identity = m_files.IdentityOf(file);
    if (identity) {
        const auto cached = m_cache.find(file);
        if (cached != m_cache.end() && cached->second.identity == *identity) {
            return &cached->second;
        }
    }
    m_cache.erase(file);
    std::string bytes;
    FileError error;
    switch (m_files.Read(file, bytes, error)) {
        case ReadOutcome::Missing:
            m_readProblems.erase(file);
            return nullptr;
        case ReadOutcome::Failed:
            m_readProblems[file] = error.text;
            return nullptr;
        case ReadOutcome::Read:
            break;
    }
    m_readProblems.erase(file);
    ++m_fileReads;
    // Without an identity the entry is never found again: the next read reads afresh.
    IniFileText text;
    if (DecodeIniFile(std::string_view(bytes).substr(0, 2)).encoding == TextEncoding::Bytes) {
        text.text = std::move(bytes);  // 8-bit text is its own bytes: no second copy
    } else {
        text = DecodeIniFile(bytes);
        std::string().swap(bytes);
    }
    const bool wide = text.encoding != TextEncoding::Bytes;
    const auto [entry, added] = m_cache.insert_or_assign(
        file, Cached{identity.value_or(FileIdentity{}), IniIndex(std::move(text.text)), wide});
    (void)added;
    return &entry->second;
}

std::string IniFileStore::GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback, std::size_t capacity,
                                    const std::string& file) {
    if (const Cached* cached = Load(file)) {
        if (auto value = cached->index.Find(section, key)) {
            return CutToCapacity(cached->wide ? m_files.LocalFromUtf8(*value) : *value, capacity);
        }
    }
    return CutToCapacity(TrimEnd(fallback), capacity);
}

std::string IniFileStore::ReadProblem(const std::string& file) {
    Load(file);
    const auto problem = m_readProblems.find(file);
    return problem != m_readProblems.end() ? problem->second : std::string();
}

bool IniFileStore::WriteString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    Tidy(file);
    std::string before;
    FileError error;
    const ReadOutcome outcome = m_files.Read(file, before, error);
    if (outcome == ReadOutcome::Failed) {
        m_lastError = file + ": cannot read it: " + error.text;
        return false;
    }
    IniFileText text = DecodeIniFile(before);
    const bool wide = text.encoding != TextEncoding::Bytes;
    const std::string changed =
        SetIniValue(text.text, section, key, wide ? m_files.Utf8FromLocal(value) : value);
    if (outcome == ReadOutcome::Read && changed == text.text) {
        return true;
    }
    text.text = changed;
    m_cache.erase(file);
    if (!m_files.Replace(file, EncodeIniFile(text), error)) {
        m_lastError = file + ": " + error.text;
        return false;
    }
    return true;
}

}  // namespace corvantis
