#include "app/status_command.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/instance_lock.h"
#include "window/status_record.h"

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
    std::optional<StatusRecord> record;
    std::ifstream file(settingsFolder + "/" + std::string(kStatusFile.substr(1)), std::ios::binary);
    if (file) {
        const std::string text((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        record = ParseStatusJson(text);
    }
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const StatusVerdict verdict = JudgeStatus(record, now, holder, settingsFolder);
    out << StatusReport(verdict, record, now) << std::flush;
    return static_cast<int>(verdict.state);
}

}  // namespace corvantis
