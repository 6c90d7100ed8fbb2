#include "app/headless/posix_system.h"

#include <filesystem>
#include <system_error>

#include "settings/settings_folder.h"

namespace corvantis {

ProgramSystem PosixSystem::With(SerialPort& port, EventWait& wait, TimerService& timers,
                                TimerService& windowTimers) {
    return {clock,    port,   ports,        profile, probe,     wait,
            registry, timers, windowTimers, zone,    clockSync, files};
}

ProgramInfo DescribeProgram(const std::optional<std::string>& settingsDir, const char* argv0) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        path = std::filesystem::absolute(argv0, error);
    }
    ProgramInfo info;
    info.executableFolder = path.parent_path().string();
    info.executableBaseName = path.stem().string();
    info.settingsFolder =
        PickSettingsFolder(settingsDir, info.executableFolder, SystemFolderChecks());
    return info;
}

}  // namespace corvantis
