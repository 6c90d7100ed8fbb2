#include "settings/settings_folder.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace corvantis {

namespace {

std::string WithoutTrailingSeparators(std::string folder, PathStyle style) {
    const auto isSeparator = [style](char c) {
        return c == '/' || (style == PathStyle::Windows && c == '\\');
    };
    const std::size_t keep = (style == PathStyle::Windows && folder.size() >= 2 && folder[1] == ':')
                                 ? 3  // "C:\" stays: "C:" alone means another folder
                                 : 1;
    while (folder.size() > keep && isSeparator(folder.back())) {
        folder.pop_back();
    }
    return folder;
}

bool IsAbsolute(const std::string& path, PathStyle style) {
    if (style == PathStyle::Posix) {
        return !path.empty() && path.front() == '/';
    }
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           path.rfind("\\\\", 0) == 0;
}

bool CanCreateFileIn(const std::string& folder) {
    std::random_device seed;
    const std::filesystem::path probe =
        std::filesystem::path(folder) / (".corvantis-write-test-" + std::to_string(seed()));
    std::error_code error;
    if (std::filesystem::exists(probe, error)) {
        return false;  // never touch a file that happens to be there
    }
    bool created = false;
    {
        std::ofstream file(probe, std::ios::binary);
        created = file.is_open();
    }
    if (created) {
        std::filesystem::remove(probe, error);
    }
    return created;
}

// `path` with separators as '/', and lower case on Windows, where both are insignificant.
std::string ComparableForm(std::string path, PathStyle style) {
    if (style == PathStyle::Windows) {
        for (char& c : path) {
            c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return path;
}

// Whether `path` is `prefix` or lies inside it; both in ComparableForm.
bool IsInside(const std::string& path, std::string prefix) {
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    if (prefix.empty() || path.rfind(prefix, 0) != 0) {
        return false;
    }
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

std::vector<std::string> SystemPrefixes(const FolderChecks& checks, PathStyle style) {
    if (style == PathStyle::Posix) {
        return {"/usr", "/opt"};
    }
    std::vector<std::string> prefixes;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        if (auto value = checks.environment(name); value && IsAbsolute(*value, style)) {
            prefixes.push_back(*value);
        }
    }
    return prefixes;
}

}  // namespace

bool IsUnderSystemPrefix(const std::string& executableFolder, const FolderChecks& checks,
                         PathStyle style) {
    const std::string folder = ComparableForm(executableFolder, style);
    for (const std::string& prefix : SystemPrefixes(checks, style)) {
        if (IsInside(folder, ComparableForm(prefix, style))) {
            return true;
        }
    }
    return false;
}

FolderChecks SystemFolderChecks() {
    return FolderChecks{
        [](const std::string& name) -> std::optional<std::string> {
            const char* value = std::getenv(name.c_str());
            if (value == nullptr) {
                return std::nullopt;
            }
            return std::string(value);
        },
        CanCreateFileIn,
        [](const std::string& folder) {
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            return std::filesystem::is_directory(folder, error);
        },
    };
}

std::optional<std::string> PerUserSettingsFolder(const FolderChecks& checks, PathStyle style) {
    const auto nonEmpty = [&](const char* name) -> std::optional<std::string> {
        auto value = checks.environment(name);
        if (value && value->empty()) {
            return std::nullopt;
        }
        return value;
    };
    if (style == PathStyle::Windows) {
        if (auto appData = nonEmpty("APPDATA")) {
            return WithoutTrailingSeparators(*appData, style) + "\\Corvantis";
        }
        return std::nullopt;
    }
    if (auto configHome = nonEmpty("XDG_CONFIG_HOME");
        configHome && IsAbsolute(*configHome, style)) {
        return WithoutTrailingSeparators(*configHome, style) + "/corvantis";
    }
    if (auto home = nonEmpty("HOME")) {
        return WithoutTrailingSeparators(*home, style) + "/.config/corvantis";
    }
    return std::nullopt;
}

std::string PickSettingsFolder(const std::optional<std::string>& overrideFolder,
                               const std::string& executableFolder, const FolderChecks& checks,
                               PathStyle style) {
    if (overrideFolder) {
        const std::string folder = WithoutTrailingSeparators(*overrideFolder, style);
        checks.create(folder);
        return folder;
    }
    const std::string beside = WithoutTrailingSeparators(executableFolder, style);
    if (!IsUnderSystemPrefix(beside, checks, style) && checks.writable(beside)) {
        return beside;
    }
    if (auto perUser = PerUserSettingsFolder(checks, style)) {
        checks.create(*perUser);
        return *perUser;
    }
    return beside;
}

}  // namespace corvantis
