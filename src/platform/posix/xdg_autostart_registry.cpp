#include "platform/posix/xdg_autostart_registry.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/posix/atomic_file.h"

namespace corvantis::posix {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRunOnceSuffix = "-RunOnce";
constexpr std::string_view kEntryExtension = ".desktop";

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

long RegistryErrorOf(int number) {
    switch (number) {
        case ENOENT:
            return registry_error::kFileNotFound;
        case ENOTDIR:
            return registry_error::kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return registry_error::kAccessDenied;
        case ENOSPC:
        case EDQUOT:
            return registry_error::kDiskFull;
        default:
            return registry_error::kIoDevice;
    }
}

// The general escapes of a desktop entry's string values.
std::string EscapeString(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
        }
    }
    if (!escaped.empty() && escaped.front() == ' ') {
        escaped.replace(0, 1, "\\s");
    }
    return escaped;
}

std::string UnescapeString(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        switch (text[++i]) {
            case 's':
                plain += ' ';
                break;
            case 'n':
                plain += '\n';
                break;
            case 'r':
                plain += '\r';
                break;
            case 't':
                plain += '\t';
                break;
            case '\\':
                plain += '\\';
                break;
            default:  // not an escape: kept as written
                plain += '\\';
                plain += text[i];
        }
    }
    return plain;
}

bool IsUsableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

std::string EntryText(const std::string& name, const std::string& command, bool runOnce) {
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeString(name) + "\n";
    text += "Exec=" + ExecValueFor(command) + "\n";
    if (runOnce) {
        text += std::string(kRunOnceMarker) + "=true\n";
    }
    return text;
}

// The value of `key` in the file's lines, trimmed of nothing (desktop entries have no blanks
// around "=" when written here; blanks before "=" are allowed by the format and skipped).
std::optional<std::string> EntryValue(const std::string& text, std::string_view key) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const auto equals = line.find('=');
        if (equals != std::string_view::npos) {
            std::string_view name = line.substr(0, equals);
            while (!name.empty() && name.back() == ' ') {
                name.remove_suffix(1);
            }
            if (name == key) {
                std::string_view value = line.substr(equals + 1);
                while (!value.empty() && value.front() == ' ') {
                    value.remove_prefix(1);
                }
                return std::string(value);
            }
        }
        pos = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::string ExecValueFor(std::string_view command) {
    std::string doubled;
    for (const char c : command) {
        doubled += c;
        if (c == '%') {
            doubled += '%';
        }
    }
    return EscapeString(doubled);
}

std::string CommandFromExecValue(std::string_view value) {
    const std::string unescaped = UnescapeString(value);
    std::string command;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        command += unescaped[i];
        if (unescaped[i] == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
            ++i;
        }
    }
    return command;
}

std::string XdgAutostartRegistry::DefaultFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return std::string(configHome) + "/autostart";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config/autostart";
    }
    return {};
}

std::string XdgAutostartRegistry::EntryPath(bool runOnce, const std::string& name) const {
    if (!IsUsableName(name)) {
        return {};
    }
    return m_folder + "/" + name + (runOnce ? std::string(kRunOnceSuffix) : "") +
           std::string(kEntryExtension);
}

long XdgAutostartRegistry::OpenKey(const std::string& path, Key& key) {
    const std::string runOnce = std::string(kRunKey) + "Once";
    bool once = false;
    if (SameText(path, runOnce)) {
        once = true;
    } else if (!SameText(path, kRunKey)) {
        return registry_error::kFileNotFound;
    }
    if (m_folder.empty()) {
        return registry_error::kPathNotFound;
    }
    key = m_nextKey++;
    m_open[key] = once;
    return 0;
}

long XdgAutostartRegistry::SetValue(Key key, const std::string& name, RegistryType type,
                                    const std::vector<std::uint8_t>& data) {
    const auto open = m_open.find(key);
    if (open == m_open.end()) {
        return registry_error::kInvalidHandle;
    }
    if (type != RegistryType::String) {
        return registry_error::kNotSupported;
    }
    const std::string path = EntryPath(open->second, name);
    if (path.empty()) {
        return registry_error::kInvalidName;
    }
    std::string command(data.begin(), data.end());
    command = command.substr(0, command.find('\0'));

    std::error_code created;
    fs::create_directories(m_folder, created);
    if (created) {
        return RegistryErrorOf(created.value());
    }
    FileError error;
    if (!ReplaceFileAtomically(path, EntryText(name, command, open->second), error)) {
        return RegistryErrorOf(error.number);
    }
    return 0;
}

long XdgAutostartRegistry::DeleteValue(Key key, const std::string& name) {
    const auto open = m_open.find(key);
    if (open == m_open.end()) {
        return registry_error::kInvalidHandle;
    }
    const std::string path = EntryPath(open->second, name);
    if (path.empty()) {
        return registry_error::kFileNotFound;
    }
    std::error_code error;
    if (!fs::remove(path, error)) {
        return error ? RegistryErrorOf(error.value()) : registry_error::kFileNotFound;
    }
    return 0;
}

void XdgAutostartRegistry::CloseKey(Key key) {
    m_open.erase(key);
}

std::optional<std::string> XdgAutostartRegistry::RegisteredCommand(const std::string& path,
                                                                   const std::string& name) const {
    const bool runOnce = SameText(path, std::string(kRunKey) + "Once");
    if (!runOnce && !SameText(path, kRunKey)) {
        return std::nullopt;
    }
    const std::string file = EntryPath(runOnce, name);
    std::string text;
    FileError error;
    if (file.empty() || ReadWholeFile(file, text, error) != ReadOutcome::Read) {
        return std::nullopt;
    }
    const auto exec = EntryValue(text, "Exec");
    if (!exec) {
        return std::nullopt;
    }
    return CommandFromExecValue(*exec);
}

int RemoveRunOnceEntries(const std::string& autostartFolder) {
    int removed = 0;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(autostartFolder, error)) {
        const fs::path& path = item.path();
        if (path.extension() != kEntryExtension || !item.is_regular_file(error)) {
            continue;
        }
        std::string text;
        FileError readError;
        if (ReadWholeFile(path.string(), text, readError) != ReadOutcome::Read) {
            continue;
        }
        if (EntryValue(text, kRunOnceMarker) == std::optional<std::string>("true") &&
            fs::remove(path, error)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace corvantis::posix
