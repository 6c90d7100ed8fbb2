#include "settings/ini.h"

#include <algorithm>
#include <set>

#include "platform/ascii_text.h"
#include "platform/message_dialog.h"
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
    const std::string upper = UpperAscii(key);
    auto& unsaved = services.unsavedSettings;
    const auto sameKey = [&](const Services::UnsavedSetting& kept) {
        return kept.file == file && EqualsIgnoringAsciiCase(kept.section, section) &&
               kept.key == upper;
    };
    if (services.profile.WriteString(section, upper, value, file)) {
        std::erase_if(unsaved, sameKey);
        services.unsavedSettingsFiles.erase(file);
        RetryUnsavedSettings(services);
        return;
    }
    const auto kept = std::find_if(unsaved.begin(), unsaved.end(), sameKey);
    if (kept != unsaved.end()) {
        kept->value = value;
    } else {
        unsaved.push_back({file, section, upper, value});
    }
    if (services.unsavedSettingsFiles.insert(file).second) {
        std::string reason = services.profile.LastError();
        if (reason.find(file) == std::string::npos) {
            reason = file + ": " + reason;
        }
        services.status.ShowWarning("Settings not saved: " + reason);
    }
}

void ReportUnreadableSettingsFiles(Services& services) {
    for (const std::string_view name : {kCorvantisIni, kDataIni}) {
        const std::string file = IniPath(services.info, name);
        const std::string problem = services.profile.ReadProblem(file);
        if (!problem.empty()) {
            services.dialog.Show("cannot read " + file + ": " + problem +
                                     ": running on defaults, the file is left as it is",
                                 services.info.title, MessageIcon::Exclamation);
        }
    }
}

void RetryUnsavedSettings(Services& services) {
    auto& unsaved = services.unsavedSettings;
    std::set<std::string> refusing;
    std::set<std::string> taking;
    for (auto kept = unsaved.begin(); kept != unsaved.end();) {
        if (refusing.count(kept->file) == 0 &&
            services.profile.WriteString(kept->section, kept->key, kept->value, kept->file)) {
            taking.insert(kept->file);
            kept = unsaved.erase(kept);
        } else {
            refusing.insert(kept->file);
            ++kept;
        }
    }
    // A file that takes writes again warns anew when it next refuses one.
    for (const std::string& file : taking) {
        if (refusing.count(file) == 0) {
            services.unsavedSettingsFiles.erase(file);
        }
    }
}

}  // namespace corvantis
