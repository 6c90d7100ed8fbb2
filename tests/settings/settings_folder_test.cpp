#include "settings/settings_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/temp_dir.h"

namespace corvantis::testing {
namespace {

// Checks answering from a table: environment variables, the one folder a file can be created
// in, and a record of the folders created.
struct FakeFolders {
    std::map<std::string, std::string> environment;
    std::string writable;
    std::vector<std::string> created;

    // `variables` as "NAME=value NAME=value".
    FakeFolders(const std::string& variables, std::string writableFolder)
        : writable(std::move(writableFolder)) {
        std::istringstream in(variables);
        for (std::string pair; in >> pair;) {
            const auto equals = pair.find('=');
            environment[pair.substr(0, equals)] = pair.substr(equals + 1);
        }
    }

    FolderChecks Checks() {
        return FolderChecks{
            [this](const std::string& name) -> std::optional<std::string> {
                const auto found = environment.find(name);
                if (found == environment.end()) {
                    return std::nullopt;
                }
                return found->second;
            },
            [this](const std::string& folder) { return folder == writable; },
            [this](const std::string& folder) {
                created.push_back(folder);
                return true;
            },
        };
    }
};

TEST(SettingsFolderTest, PicksTheOverrideThenTheProgramFolderThenThePerUserFolder) {
    struct Row {
        const char* name;
        const char* overrideFolder;  // nullptr: no --settings-dir
        const char* executableFolder;
        const char* environment;
        const char* writable;
        PathStyle style;
        const char* folder;
        bool created;  // the folder is created (only the program folder is never created)
    };
    constexpr PathStyle kPosix = PathStyle::Posix;
    constexpr PathStyle kWindows = PathStyle::Windows;
    const Row rows[] = {
        {"--settings-dir wins", "/srv/clocks/", "/opt/vesper", "", "/opt/vesper", kPosix,
         "/srv/clocks", true},
        {"a writable program folder", nullptr, "/opt/vesper", "HOME=/home/ada", "/opt/vesper",
         kPosix, "/opt/vesper", false},
        {"XDG_CONFIG_HOME", nullptr, "/usr/bin", "XDG_CONFIG_HOME=/cfg/ HOME=/home/ada", "", kPosix,
         "/cfg/corvantis", true},
        {"a relative XDG_CONFIG_HOME is ignored", nullptr, "/usr/bin",
         "XDG_CONFIG_HOME=cfg HOME=/home/ada", "", kPosix, "/home/ada/.config/corvantis", true},
        {"an empty XDG_CONFIG_HOME is ignored", nullptr, "/usr/bin",
         "XDG_CONFIG_HOME= HOME=/home/ada", "", kPosix, "/home/ada/.config/corvantis", true},
        {"no per-user folder known", nullptr, "/usr/bin", "", "", kPosix, "/usr/bin", false},
        {"APPDATA", nullptr, "C:\\Program Files\\Vesper",
         "APPDATA=C:\\Users\\ada\\AppData\\Roaming", "", kWindows,
         "C:\\Users\\ada\\AppData\\Roaming\\Corvantis", true},
        {"a writable drive root keeps its separator", nullptr, "D:\\", "", "D:\\", kWindows, "D:\\",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeFolders fake(row.environment, row.writable);
        const std::optional<std::string> overrideFolder =
            row.overrideFolder != nullptr ? std::optional<std::string>(row.overrideFolder)
                                          : std::nullopt;
        EXPECT_EQ(
            PickSettingsFolder(overrideFolder, row.executableFolder, fake.Checks(), row.style),
            row.folder);
        EXPECT_EQ(fake.created,
                  row.created ? std::vector<std::string>{row.folder} : std::vector<std::string>{});
    }
}

TEST(SettingsFolderTest, TheSystemChecksLookAtTheRealFileSystem) {
    TempDir dir;
    const FolderChecks checks = SystemFolderChecks();
    EXPECT_TRUE(checks.writable(dir.Path()));
    const std::string blocker = dir.File("a-file");
    WriteFileBytes(blocker, "x");
    EXPECT_FALSE(checks.writable(blocker));  // stops root too
    const std::string nested = dir.File("a") + "/b/c";
    EXPECT_TRUE(checks.create(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_FALSE(checks.create(blocker + "/sub"));
    // Nothing is left behind by the probing.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

}  // namespace
}  // namespace corvantis::testing
