// The INI reader and writer: any file text, then one key written into it and read back.
//
// The input is cut at its first three NUL bytes into file text, section, key and value.
// Decoding and encoding a file gives back its bytes; the indexed lookup agrees with the
// plain one.
// Whatever the file holds, setting a key and reading it back gives the value written,
// whenever the names and the value can be stored at all (one line each, no brackets or
// equals signs where they would end the name, no blanks or quote pair around them), and
// writing the same value again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ascii_text.h"
#include "platform/posix/ini_file_store.h"

namespace {

bool OneLine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

bool Trimmed(std::string_view text) {
    return corvantis::TrimBlanks(text) == text;
}

bool StorableSection(std::string_view section) {
    return !section.empty() && OneLine(section) && Trimmed(section) &&
           section.find(']') == std::string_view::npos;
}

bool StorableKey(std::string_view key) {
    return !key.empty() && OneLine(key) && Trimmed(key) &&
           key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

bool StorableValue(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return OneLine(value) && Trimmed(value) && !quoted;
}

// Cuts the next part off `input` at a NUL byte; the rest of the input when there is none.
std::string_view Next(std::string_view& input) {
    const auto nul = input.find('\0');
    const std::string_view part = input.substr(0, nul);
    input.remove_prefix(nul == std::string_view::npos ? input.size() : nul + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvantis::posix;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view text = Next(input);
    const std::string_view section = Next(input);
    const std::string_view key = Next(input);
    const std::string_view value = Next(input);

    // A UTF-16 file comes back byte for byte through decoding and encoding.
    const IniFileText decoded = DecodeIniFile(text);
    if (EncodeIniFile(decoded) != text) {
        std::abort();
    }
    // Reading never fails, whatever the text, and the one-parse index agrees with it.
    if (IniIndex(std::string(text)).Find(section, key) != FindIniValue(text, section, key)) {
        std::abort();
    }
    const std::string written = SetIniValue(text, section, key, value);
    if (!StorableSection(section) || !StorableKey(key) || !StorableValue(value)) {
        return 0;
    }
    const auto back = FindIniValue(written, section, key);
    if (!back || *back != value) {
        std::abort();
    }
    // Writing the same value again changes nothing.
    if (SetIniValue(written, section, key, value) != written) {
        std::abort();
    }
    return 0;
}
