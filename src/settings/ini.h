// The two settings files, and ReadIni and WriteIni: every setting is read and written through
// these two, against one SettingsFiles.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_dialog.h"
#include "platform/profile_store.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"

namespace corvantis {

// The two settings files, named as they are appended to the settings folder.
inline constexpr std::string_view kCorvantisIni = "\\Corvantis.ini";
inline constexpr std::string_view kDataIni = "\\data.ini";

// The settings files of one settings folder, the store they are read and written through, and
// the rule for writes the store refuses (see WriteIni). Handlers that read or save settings
// take this, and nothing else of the outside world, for it.
class SettingsFiles {
public:
    // `store` and `status` must outlive this object; `folder` has no trailing separator.
    SettingsFiles(ProfileStore& store, StatusLine& status, std::string folder)
        : m_store(store), m_status(status), m_folder(std::move(folder)) {}
    SettingsFiles(const SettingsFiles&) = delete;
    SettingsFiles& operator=(const SettingsFiles&) = delete;

    const std::string& Folder() const { return m_folder; }
    // Full name of a settings file: the folder, the platform's separator, and the file name
    // without its leading "\". Built afresh at every call.
    std::string PathOf(std::string_view fileName) const;

    // How many refused writes are kept to be made again, and how many files have had their
    // refusal reported and not yet taken a write since.
    std::size_t UnsavedWrites() const { return m_unsaved.size(); }
    std::size_t FilesWarnedOf() const { return m_warnedFiles.size(); }

    // Called each time a refused write is kept to be made again; one at a time, empty for none.
    void SetOnUnsaved(std::function<void()> onUnsaved) { m_onUnsaved = std::move(onUnsaved); }

private:
    friend std::string ReadIni(SettingsFiles&, const std::string&, const std::string&,
                               const std::string&, const std::string&);
    friend void WriteIni(SettingsFiles&, const std::string&, const std::string&, const std::string&,
                         const std::string&);
    friend void ReportUnreadableSettingsFiles(SettingsFiles&, MessageDialog&, const std::string&);
    friend void RetryUnsavedSettings(SettingsFiles&);
    friend bool SaveUnsavedSettingsAtExit(SettingsFiles&);

    // A write the store refused, kept to be made again.
    struct Unsaved {
        std::string file;
        std::string section;
        std::string key;
        std::string value;
    };

    ProfileStore& m_store;
    StatusLine& m_status;
    std::string m_folder;
    // Files whose last write failed and was reported: WriteIni warns once per file until a
    // write to it succeeds again.
    std::set<std::string> m_warnedFiles;
    // The latest refused value of each key, in the order first refused.
    std::vector<Unsaved> m_unsaved;
    std::function<void()> m_onUnsaved;
};

// The stored value of `key` (looked up in lower case) in `section` of `file`, or `fallback`
// when the file, section or key is absent; at most 749 characters.
std::string ReadIni(SettingsFiles& settings, const std::string& section, const std::string& key,
                    const std::string& fallback, const std::string& file);

// Stores `value` under the upper-cased `key` in `section` of `file`. Never raises. A write
// that cannot be made shows one warning on the status line naming the file and the reason;
// further failures of the same file stay quiet until a write to it succeeds again. A refused
// write is not lost: it is kept (a later value for the same key replaces it) and made again
// after the next write that succeeds and at each RetryUnsavedSettings, so that what the
// operator set reaches the file once the disk has room or the folder is writable again.
void WriteIni(SettingsFiles& settings, const std::string& section, const std::string& key,
              const std::string& value, const std::string& file);

// Says, once for each settings file that exists but cannot be read, "cannot read FILE:
// REASON: running on defaults, the file is left as it is" in a warning box titled `title`.
// Start-up calls it before it reads the first key.
void ReportUnreadableSettingsFiles(SettingsFiles& settings, MessageDialog& dialog,
                                   const std::string& title);

// Makes the kept writes again, in order; those the store takes are dropped, and a file that
// refuses one is not tried again in this pass. Quiet: failures were reported when first met.
void RetryUnsavedSettings(SettingsFiles& settings);

// The last attempt before the program ends: makes the kept writes again and, when some are
// still refused, says on the status line which values were not saved ("KEY=value in [Section]
// of FILE" each) and that they are lost. Returns whether everything was saved.
bool SaveUnsavedSettingsAtExit(SettingsFiles& settings);

// Makes the kept writes of `settings` again every kEvery while there are any, on a timer of
// its own that runs only then, so a refused save reaches the file once the disk takes it in
// every program, whatever its loop wakes for. One at a time per SettingsFiles.
class UnsavedSettingsRetry {
public:
    static constexpr std::chrono::seconds kEvery{1};

    // `settings` and `timers` must outlive this object.
    UnsavedSettingsRetry(SettingsFiles& settings, TimerService& timers);
    ~UnsavedSettingsRetry();
    UnsavedSettingsRetry(const UnsavedSettingsRetry&) = delete;
    UnsavedSettingsRetry& operator=(const UnsavedSettingsRetry&) = delete;

private:
    void Retry();

    SettingsFiles& m_settings;
    std::unique_ptr<PlatformTimer> m_timer;
    bool m_running = false;
};

}  // namespace corvantis
