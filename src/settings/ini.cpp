#include "settings/ini.h"

#include "platform/ascii_text.h"
#include "platform/path_style.h"
#include "window/services.h"

namespace corvantis {

namespace {
constexpr std::size_t kReadBufferSize = 750;

}  // namespace

std::string IniPath(const ProgramInfo& info, std::string_view fileName) {
    return info.settingsFolder + Separator(kHostPathStyle) + std::string(fileName.substr(1));
}

std::string ReadIni(Services& services, const std::string& section, const std::string& key,
                    const std::string& fallback, const std::string& file) {
    return services.profile.GetString(section, LowerAscii(key), fallback, kReadBufferSize, file);
}

void WriteIni(Services& services, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file) {
    if (services.profile.WriteString(section, UpperAscii(key), value, file)) {
        services.unsavedSettingsFiles.erase(file);
        return;
    }
    if (services.unsavedSettingsFiles.insert(file).second) {
        std::string reason = services.profile.LastError();
        if (reason.find(file) == std::string::npos) {
            reason = file + ": " + reason;
        }
        services.status.ShowWarning("Settings not saved: " + reason);
    }
}

}  // namespace corvantis
