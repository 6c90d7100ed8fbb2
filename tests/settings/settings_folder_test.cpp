#include "settings/settings_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "support/temp_dir.h"

namespace corvantis::testing {
namespace {

// Checks answering from a table: environment variables, folders a file can be created in,
// and a record of the folders created.
struct FakeFolders {
    std::map<std::string, std::string> environment;
    std::set<std::string> writable;
    std::vector<std::string> created;

    FolderChecks Checks() {
        return FolderChecks{
            [this](const std::string& name) -> std::optional<std::string> {
                const auto found = environment.find(name);
                if (found == environment.end()) {
                    return std::nullopt;
                }
                return found->second;
            },
            [this](const std::string& folder) { return writable.count(folder) != 0; },
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
        std::optional<std::string> overrideFolder;
        std::string executableFolder;
        std::map<std::string, std::string> environment;
        std::set<std::string> writable;
        PathStyle style;
        std::string folder;
        std::vector<std::string> created;
    };
    const std::vector<Row> rows = {
        {"--settings-dir wins",
         "/srv/clocks/",
         "/opt/vesper",
         {},
         {"/opt/vesper"},
         PathStyle::Posix,
         "/srv/clocks",
         {"/srv/clocks"}},
        {"a writable program folder",
         std::nullopt,
         "/opt/vesper",
         {{"HOME", "/home/ada"}},
         {"/opt/vesper"},
         PathStyle::Posix,
         "/opt/vesper",
         {}},
        {"XDG_CONFIG_HOME",
         std::nullopt,
         "/usr/bin",
         {{"XDG_CONFIG_HOME", "/cfg/"}, {"HOME", "/home/ada"}},
         {},
         PathStyle::Posix,
         "/cfg/corvantis",
         {"/cfg/corvantis"}},
        {"a relative XDG_CONFIG_HOME is ignored",
         std::nullopt,
         "/usr/bin",
         {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/ada"}},
         {},
         PathStyle::Posix,
         "/home/ada/.config/corvantis",
         {"/home/ada/.config/corvantis"}},
        {"an empty XDG_CONFIG_HOME is ignored",
         std::nullopt,
         "/usr/bin",
         {{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/ada"}},
         {},
         PathStyle::Posix,
         "/home/ada/.config/corvantis",
         {"/home/ada/.config/corvantis"}},
        {"no per-user folder known",
         std::nullopt,
         "/usr/bin",
         {},
         {},
         PathStyle::Posix,
         "/usr/bin",
         {}},
        {"APPDATA",
         std::nullopt,
         "C:\\Program Files\\Vesper",
         {{"APPDATA", "C:\\Users\\ada\\AppData\\Roaming"}},
         {},
         PathStyle::Windows,
         "C:\\Users\\ada\\AppData\\Roaming\\Corvantis",
         {"C:\\Users\\ada\\AppData\\Roaming\\Corvantis"}},
        {"a writable drive root keeps its separator",
         std::nullopt,
         "D:\\",
         {},
         {"D:\\"},
         PathStyle::Windows,
         "D:\\",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeFolders fake{row.environment, row.writable, {}};
        EXPECT_EQ(
            PickSettingsFolder(row.overrideFolder, row.executableFolder, fake.Checks(), row.style),
            row.folder);
        EXPECT_EQ(fake.created, row.created);
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
