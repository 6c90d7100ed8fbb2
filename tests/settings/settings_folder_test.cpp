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
        {"a writable program folder", nullptr, "/srv/vesper", "HOME=/home/ada", "/srv/vesper",
         kPosix, "/srv/vesper", false},
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

// An installed program never writes its settings among the system's programs, even when it
// could (root running /usr/bin/corvantis); a copy in a folder of its own keeps them beside it.
TEST(SettingsFolderTest, AWritableFolderUnderASystemPrefixSendsTheSettingsToTheUser) {
    const struct {
        const char* executableFolder;
        PathStyle style;
        bool underPrefix;
    } rows[] = {
        {"/usr/bin", PathStyle::Posix, true},
        {"/usr/local/bin", PathStyle::Posix, true},
        {"/opt/corvantis/bin", PathStyle::Posix, true},
        {"/usr", PathStyle::Posix, true},
        {"/usr2/bin", PathStyle::Posix, false},  // a prefix of the text is not a parent folder
        {"/home/ada/corvantis", PathStyle::Posix, false},
        {"/optional/corvantis", PathStyle::Posix, false},
        {"C:\\Program Files\\Corvantis", PathStyle::Windows, true},
        {"c:/PROGRAM FILES (X86)/Corvantis", PathStyle::Windows, true},
        {"C:\\Program Files Old\\Corvantis", PathStyle::Windows, false},
        {"C:\\Users\\ada\\AppData\\Local\\Programs\\Corvantis", PathStyle::Windows, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.executableFolder);
        FakeFolders fake("HOME=/home/ada APPDATA=C:\\Users\\ada", row.executableFolder);
        fake.environment["ProgramFiles"] = "C:\\Program Files";
        fake.environment["ProgramFiles(x86)"] = "C:\\Program Files (x86)";
        const std::string perUser = row.style == PathStyle::Posix ? "/home/ada/.config/corvantis"
                                                                  : "C:\\Users\\ada\\Corvantis";
        EXPECT_EQ(PickSettingsFolder(std::nullopt, row.executableFolder, fake.Checks(), row.style),
                  row.underPrefix ? perUser : row.executableFolder);
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
