#include "platform/posix/ini_file_store.h"

#include <vector>

#include "platform/ascii_text.h"
#include "platform/posix/atomic_file.h"

namespace corvantis::posix {

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

IniText Parse(std::string_view text) {
    IniText ini{text};
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        ini.bodyStart = kUtf8Bom.size();
    }
    std::size_t pos = ini.bodyStart;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        std::size_t next = end;
        if (next < text.size()) {
            next +=
                (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        }
        ini.lines.push_back(Classify(text, pos, end, next));
        pos = next;
    }
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

}  // namespace

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

std::string IniFileStore::GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback, std::size_t capacity,
                                    const std::string& file) {
    std::string bytes;
    FileError error;
    if (ReadWholeFile(file, bytes, error) == ReadOutcome::Read) {
        if (auto value = FindIniValue(bytes, section, key)) {
            return CutToCapacity(*value, capacity);
        }
    }
    return CutToCapacity(TrimEnd(fallback), capacity);
}

bool IniFileStore::WriteString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    std::string before;
    FileError error;
    const ReadOutcome outcome = ReadWholeFile(file, before, error);
    if (outcome == ReadOutcome::Failed) {
        m_lastError = file + ": cannot read it: " + error.text;
        return false;
    }
    const std::string after = SetIniValue(before, section, key, value);
    if (outcome == ReadOutcome::Read && after == before) {
        return true;
    }
    if (!ReplaceFileAtomically(file, after, error)) {
        m_lastError = file + ": " + error.text;
        return false;
    }
    return true;
}

}  // namespace corvantis::posix
