#include "settings/ini.h"

#include <algorithm>

#include "platform/ascii_text.h"
#include "platform/path_style.h"

namespace corvantis {

namespace {
constexpr std::size_t kReadBufferSize = 750;
}  // namespace

std::string SettingsFiles::PathOf(std::string_view fileName) const {
    return m_folder + Separator(kHostPathStyle) + std::string(fileName.substr(1));
}

std::string ReadIni(SettingsFiles& settings, const std::string& section, const std::string& key,
                    const std::string& fallback, const std::string& file) {
    return settings.m_store.GetString(section, LowerAscii(key), fallback, kReadBufferSize, file);
}

void WriteIni(SettingsFiles& settings, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file) {
    const std::string upper = UpperAscii(key);
    auto& unsaved = settings.m_unsaved;
    const auto sameKey = [&](const SettingsFiles::Unsaved& kept) {
        return kept.file == file && EqualsIgnoringAsciiCase(kept.section, section) &&
               kept.key == upper;
    };
    if (settings.m_store.WriteString(section, upper, value, file)) {
        std::erase_if(unsaved, sameKey);
        settings.m_warnedFiles.erase(file);
        RetryUnsavedSettings(settings);
        return;
    }
    const auto kept = std::find_if(unsaved.begin(), unsaved.end(), sameKey);
    if (kept != unsaved.end()) {
        kept->value = value;
    } else {
        unsaved.push_back({file, section, upper, value});
    }
    if (settings.m_onUnsaved) {
        settings.m_onUnsaved();
    }
    if (settings.m_warnedFiles.insert(file).second) {
        std::string reason = settings.m_store.LastError();
        if (reason.find(file) == std::string::npos) {
            reason = file + ": " + reason;
        }
        settings.m_status.ShowWarning("Settings not saved: " + reason);
    }
}

void ReportUnreadableSettingsFiles(SettingsFiles& settings, MessageDialog& dialog,
                                   const std::string& title) {
    for (const std::string_view name : {kCorvantisIni, kDataIni}) {
        const std::string file = settings.PathOf(name);
        const std::string problem = settings.m_store.ReadProblem(file);
        if (!problem.empty()) {
            dialog.Show("cannot read " + file + ": " + problem +
                            ": running on defaults, the file is left as it is",
                        title, MessageIcon::Exclamation);
        }
    }
}

void RetryUnsavedSettings(SettingsFiles& settings) {
    auto& unsaved = settings.m_unsaved;
    std::set<std::string> refusing;
    std::set<std::string> taking;
    for (auto kept = unsaved.begin(); kept != unsaved.end();) {
        if (refusing.count(kept->file) == 0 &&
            settings.m_store.WriteString(kept->section, kept->key, kept->value, kept->file)) {
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
            settings.m_warnedFiles.erase(file);
        }
    }
}

bool SaveUnsavedSettingsAtExit(SettingsFiles& settings) {
    RetryUnsavedSettings(settings);
    if (settings.m_unsaved.empty()) {
        return true;
    }
    std::string lost;
    for (const SettingsFiles::Unsaved& kept : settings.m_unsaved) {
        lost += (lost.empty() ? "" : ", ") + kept.key + "=" + kept.value + " in [" + kept.section +
                "] of " + kept.file;
    }
    settings.m_status.ShowWarning("Settings not saved at exit, the disk still refuses them: " +
                                  lost + ". They are lost; set them again once it takes writes.");
    return false;
}

UnsavedSettingsRetry::UnsavedSettingsRetry(SettingsFiles& settings, TimerService& timers)
    : m_settings(settings), m_timer(timers.CreateTimer([this] { Retry(); })) {
    m_settings.SetOnUnsaved([this] {
        if (!m_running) {
            m_running = true;
            m_timer->Start(kEvery, false);
        }
    });
    if (m_settings.UnsavedWrites() > 0) {
        m_running = true;
        m_timer->Start(kEvery, false);
    }
}

UnsavedSettingsRetry::~UnsavedSettingsRetry() {
    m_settings.SetOnUnsaved({});
}

void UnsavedSettingsRetry::Retry() {
    RetryUnsavedSettings(m_settings);
    if (m_settings.UnsavedWrites() == 0) {
        m_timer->Stop();
        m_running = false;
    }
}

}  // namespace corvantis
