#include "settings/ini.h"

#include <algorithm>
#include <cctype>

#include "window/services.h"

namespace corvantis {

namespace {
constexpr std::size_t kReadBufferSize = 750;

std::string WithCase(std::string text, int (*convert)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [convert](unsigned char c) { return static_cast<char>(convert(c)); });
    return text;
}
}  // namespace

std::string IniPath(const ProgramInfo& info, std::string_view fileName) {
#ifdef _WIN32
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    return info.settingsFolder + kSeparator + std::string(fileName.substr(1));
}

std::string ReadIni(Services& services, const std::string& section, const std::string& key,
                    const std::string& fallback, const std::string& file) {
    return services.profile.GetString(section, WithCase(key, ::tolower), fallback, kReadBufferSize,
                                      file);
}

void WriteIni(Services& services, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file) {
    if (!services.profile.WriteString(section, WithCase(key, ::toupper), value, file)) {
        services.status.ShowWarning("Settings not saved to " + file + ": " +
                                    services.profile.LastError());
    }
}

}  // namespace corvantis
