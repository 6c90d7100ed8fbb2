#include "app/win32/win32_platform.h"

#include <windows.h>

#include "settings/settings_folder.h"

namespace corvantis {

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

ProgramInfo DescribeProgram(const std::optional<std::string>& settingsDir) {
    ProgramInfo info;
    const std::string path = ExecutablePath();
    const auto slash = path.find_last_of("\\/");
    info.executableFolder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    info.executableBaseName = dot == std::string::npos ? name : name.substr(0, dot);
    info.settingsFolder =
        PickSettingsFolder(settingsDir, info.executableFolder, SystemFolderChecks());
    info.demoCommand.clear();
    return info;
}

}  // namespace corvantis
