#include "platform/posix/xdg_autostart_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "platform/auto_run_behaviour.h"
#include "settings/auto_run.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace corvantis::testing {
namespace {

namespace fs = std::filesystem;
using posix::XdgAutostartRegistry;

INSTANTIATE_TEST_SUITE_P(
    Posix, AutoRunBehaviour,
    ::testing::Values(RegistryBackend{
        "XdgAutostart",
        [](const std::string& scratch) {
            return std::make_unique<XdgAutostartRegistry>(scratch + "/autostart");
        },
        [](Registry& registry, const std::string& keyPath, const std::string& name) {
            return dynamic_cast<XdgAutostartRegistry&>(registry).RegisteredCommand(keyPath, name);
        },
        PathStyle::Posix}),
    RegistryBackendName);

// desktop-file-validate's verdict on `file`: its output when it finds fault, empty when
// the file passes; nothing when the tool is not installed.
std::optional<std::string> Validate(const std::string& file) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
        return std::nullopt;
    }
    const std::string report = file + ".report";
    const std::string command = "desktop-file-validate '" + file + "' >'" + report + "' 2>&1";
    const int status = std::system(command.c_str());
    std::string output = ReadFileBytes(report);
    fs::remove(report);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return output.empty() ? "failed without a message" : output;
    }
    return output;  // warnings count as faults too
}

// An autostart folder of the test's own, and the registry on it.
class AutoStartTest : public ::testing::Test {
protected:
    std::string Entry(const std::string& name) const { return m_folder + "/" + name; }

    TempDir m_config;
    const std::string m_folder = m_config.Path() + "/autostart";
    XdgAutostartRegistry m_registry{m_folder};
};

TEST_F(AutoStartTest, ACommandForAnAwkwardFolderMakesAValidEntryAndRemovingItDeletesIt) {
    ProgramInfo info;
    info.executableFolder = "/opt/Vesper \"Clocks\" $HOME";
    info.executableBaseName = "corvantis";
    const std::string command = AutoRunCommand(info, PathStyle::Posix);
    ASSERT_EQ(command, "\"/opt/Vesper \\\"Clocks\\\" \\$HOME/corvantis\"");

    ASSERT_TRUE(RegWriteValue(m_registry, kRunKey, "Corvantis", command));
    const std::string entry = Entry("Corvantis.desktop");
    EXPECT_EQ(m_registry.RegisteredCommand(kRunKey, "Corvantis"), command);
    // In the file every backslash of the Exec quoting is doubled by the string escapes.
    EXPECT_NE(ReadFileBytes(entry).find(
                  "\nExec=\"/opt/Vesper \\\\\"Clocks\\\\\" \\\\$HOME/corvantis\"\n"),
              std::string::npos)
        << ReadFileBytes(entry);
    if (const auto verdict = Validate(entry)) {
        EXPECT_EQ(*verdict, "");
    } else {
        std::cout << "[  SKIPPED ] desktop-file-validate is not installed\n";
    }
    EXPECT_TRUE(RegRemoveValue(m_registry, kRunKey, "Corvantis"));
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(AutoStartTest, ARunOnceEntryIsValidAndRemovedAtTheNextStartOnly) {
    const std::string command = "/opt/vesper/corvantis";
    ASSERT_TRUE(RegWriteValue(m_registry, std::string(kRunKey) + "Once", "Corvantis", command));
    ASSERT_TRUE(RegWriteValue(m_registry, kRunKey, "Corvantis", command));
    const std::string once = Entry("Corvantis-RunOnce.desktop");
    const std::string foreign = Entry("editor.desktop");
    WriteFileBytes(foreign, "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    ASSERT_TRUE(fs::exists(once));
    if (const auto verdict = Validate(once)) {
        EXPECT_EQ(*verdict, "");
    }

    EXPECT_EQ(posix::RemoveRunOnceEntries(m_folder), 1);
    EXPECT_FALSE(fs::exists(once));
    EXPECT_TRUE(fs::exists(Entry("Corvantis.desktop")));
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_EQ(posix::RemoveRunOnceEntries(m_folder), 0);
    EXPECT_EQ(posix::RemoveRunOnceEntries(m_config.Path() + "/absent"), 0);
}

TEST(XdgAutostartRegistryTest, ExecValuesRoundTripEveryAwkwardCharacter) {
    struct Row {
        std::string command;
        std::string exec;
    };
    const std::vector<Row> rows = {
        {"/opt/vesper/corvantis", "/opt/vesper/corvantis"},
        {"\"/opt/a\\\\b/corvantis\"", "\"/opt/a\\\\\\\\b/corvantis\""},  // literal \ needs four
        {"/opt/100%/corvantis", "/opt/100%%/corvantis"},                 // no field code
        {"\"/opt/tab\there\"", "\"/opt/tab\\there\""},
        {"\"/opt/line\nbreak\"", "\"/opt/line\\nbreak\""},
        {" leading", "\\sleading"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        EXPECT_EQ(posix::ExecValueFor(row.command), row.exec);
        EXPECT_EQ(posix::CommandFromExecValue(row.exec), row.command);
    }
}

TEST(XdgAutostartRegistryTest, AnswersWithTheWindowsErrorNumbers) {
    TempDir dir;
    XdgAutostartRegistry registry(dir.Path() + "/autostart");
    Registry::Key key = 0;
    EXPECT_EQ(registry.OpenKey("Software\\Vesper", key), posix::registry_error::kFileNotFound);
    ASSERT_EQ(registry.OpenKey("SOFTWARE\\microsoft\\windows\\currentversion\\run", key), 0);
    EXPECT_EQ(registry.DeleteValue(key, "Corvantis"), posix::registry_error::kFileNotFound);
    EXPECT_EQ(registry.SetValue(key, "Corvantis", RegistryType::Dword, {1, 0, 0, 0}),
              posix::registry_error::kNotSupported);
    for (const char* name : {"", ".", "..", "a/b"}) {
        EXPECT_EQ(registry.SetValue(key, name, RegistryType::String, {'x'}),
                  posix::registry_error::kInvalidName)
            << name;
    }
    registry.CloseKey(key);
    EXPECT_EQ(registry.SetValue(key, "Corvantis", RegistryType::String, {'x'}),
              posix::registry_error::kInvalidHandle);

    XdgAutostartRegistry blocked(dir.Path() + "/file/autostart");
    WriteFileBytes(dir.Path() + "/file", "x");
    ASSERT_EQ(blocked.OpenKey(kRunKey, key), 0);
    EXPECT_NE(blocked.SetValue(key, "Corvantis", RegistryType::String, {'x'}), 0);
    blocked.CloseKey(key);
}

TEST(XdgAutostartRegistryTest, TheFolderFollowsXdgConfigHomeThenHome) {
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(XdgAutostartRegistry::DefaultFolder(), "/srv/config/autostart");
    }
    ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
    ScopedEnvironment home("HOME", "/home/ada");
    EXPECT_EQ(XdgAutostartRegistry::DefaultFolder(), "/home/ada/.config/autostart");
}

}  // namespace
}  // namespace corvantis::testing
