#include "settings/auto_run.h"

#include "form/window.h"
#include "platform/failure.h"
#include "settings/key_table.h"

namespace corvantis {

namespace {

// Closes an opened key when the scope ends, also when a Failure leaves it.
class OpenKey {
public:
    OpenKey(Registry& registry, const std::string& path) : m_registry(registry) {
        m_opened = registry.OpenKey(path, m_key) == 0;
    }
    ~OpenKey() {
        if (m_opened) {
            m_registry.CloseKey(m_key);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool opened() const { return m_opened; }
    Registry::Key key() const { return m_key; }

private:
    Registry& m_registry;
    Registry::Key m_key = 0;
    bool m_opened = false;
};

std::vector<std::uint8_t> DwordBytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::string WithoutLeadingBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

bool RegWriteValue(Registry& registry, const std::string& keyPath, const std::string& name,
                   const RegistryValue& value) {
    OpenKey key(registry, keyPath);
    if (!key.opened()) {
        return false;
    }
    RegistryType type = RegistryType::String;
    std::vector<std::uint8_t> data;
    if (const auto* small = std::get_if<std::int16_t>(&value)) {
        type = RegistryType::Dword;
        data = DwordBytes(*small);
    } else if (const auto* large = std::get_if<std::int32_t>(&value)) {
        type = RegistryType::Dword;
        data = DwordBytes(*large);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        type = RegistryType::String;
        data.assign(text->begin(), text->end());
    } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
        type = RegistryType::Binary;
        data = *bytes;
    } else {
        throw Failure(error::kUnsupportedValueType, "Unsupported value type");
    }
    return registry.SetValue(key.key(), name, type, data) == 0;
}

bool RegRemoveValue(Registry& registry, const std::string& keyPath, const std::string& name) {
    OpenKey key(registry, keyPath);
    if (!key.opened()) {
        return false;
    }
    return registry.DeleteValue(key.key(), name) == 0;
}

std::string QuoteCommandPath(const std::string& path, PathStyle style) {
    if (style == PathStyle::Windows) {
        if (path.find_first_of(" \t") == std::string::npos) {
            return path;
        }
        return "\"" + path + "\"";
    }
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    if (path.find_first_of(kReserved) == std::string::npos) {
        return path;
    }
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string AutoRunCommand(const ProgramInfo& info, PathStyle style) {
    const char separator = Separator(style);
    std::string path = info.executableFolder;
    if (path.empty() || path.back() != separator) {
        path += separator;
    }
    path += info.executableBaseName;
    if (style == PathStyle::Windows) {
        path += ".Exe";
    }
    return QuoteCommandPath(path, style);
}

void SetAutoRun(AutoRunEntry& entry, std::int16_t mode, std::string name, std::string path) {
    name = WithoutLeadingBlanks(name);
    if (name.empty()) {
        name = entry.info.title;
    }
    path = WithoutLeadingBlanks(path);
    if (path.empty()) {
        path = AutoRunCommand(entry.info);
    }
    if (mode == 0) {
        RegRemoveValue(entry.registry, kRunKey, name);
    } else if (mode == 1) {
        RegWriteValue(entry.registry, std::string(kRunKey) + "Once", name, path);
    } else {
        RegWriteValue(entry.registry, kRunKey, name, path);
    }
}

void OnAutoStartClicked(Window& window, AutoRunEntry& entry, SettingsFiles& settings) {
    SetAutoRun(entry, window.autoStart.Value() == 0 ? 0 : 2, "", "");
    SaveSetting(window, settings, Setting::AutoStart);
}

}  // namespace corvantis
