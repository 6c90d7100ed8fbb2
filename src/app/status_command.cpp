#include "app/status_command.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/instance_lock.h"
#include "program/status_record.h"

namespace corvantis {

namespace {

Holder HolderOf(LockState state) {
    switch (state) {
        case LockState::Held:
            return Holder::Running;
        case LockState::Free:
            return Holder::NotRunning;
        default:
            return Holder::Unknown;
    }
}

}  // namespace

int PrintStatus(const std::string& settingsFolder, std::ostream& out) {
    // The lock first: a program that ends between the two readings then shows as stopped.
    const Holder holder = HolderOf(ProbeInstanceLock(settingsFolder));
    const std::string path = settingsFolder + "/" + std::string(kStatusFile.substr(1));
    std::optional<StatusRecord> record;
    std::ifstream file(path, std::ios::binary);
    if (file) {
        const std::string text((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        record = ParseStatusJson(text);
    } else if (std::error_code error; std::filesystem::exists(path, error) || error) {
        // There, or behind a folder this user may not enter (a service's folder is its own):
        // say so, rather than that nothing runs.
        out << "CORVANTIS UNKNOWN - cannot read " << path
            << " (run as a user that may read the settings folder)" << std::endl;
        return static_cast<int>(PluginState::Unknown);
    }
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const StatusVerdict verdict = JudgeStatus(record, now, holder, settingsFolder);
    out << StatusReport(verdict, record, now) << std::flush;
    return static_cast<int>(verdict.state);
}

}  // namespace corvantis
