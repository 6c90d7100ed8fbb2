#include "platform/posix/ini_file_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>

#include "platform/profile_store_behaviour.h"
#include "support/temp_dir.h"

namespace corvantis::testing {
namespace {

namespace fs = std::filesystem;
using posix::IniFileStore;

INSTANTIATE_TEST_SUITE_P(Posix, ProfileStoreBehaviour,
                         ::testing::Values(ProfileStoreBackend{
                             "IniFileStore", [] { return std::make_unique<IniFileStore>(); }}),
                         BackendName);

constexpr std::size_t kCapacity = 750;

// Layout choices of this store where the Windows functions may write other bytes.
struct LayoutRow {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
    std::optional<std::string> readBack{};  // nothing: the value as written
};

TEST(IniFileStoreTest, KeepsTheFilesOwnLayout) {
    const std::vector<LayoutRow> rows = {
        {"LF lines stay LF", "[GPS]\nA=1\n", "GPS", "B", "2", "[GPS]\nA=1\nB=2\n"},
        {"CR lines stay CR", "[GPS]\rA=1\r", "GPS", "B", "2", "[GPS]\rA=1\rB=2\r"},
        {"a missing last line end is added before a new key", "[GPS]\r\nA=1", "GPS", "B", "2",
         "[GPS]\r\nA=1\r\nB=2\r\n"},
        {"a missing last line end is added before a new section", "[GPS]\r\nA=1", "UDP", "C", "3",
         "[GPS]\r\nA=1\r\n[UDP]\r\nC=3\r\n"},
        {"the byte-order mark stays", "\xEF\xBB\xBF[GPS]\r\nA=1\r\n", "GPS", "B", "2",
         "\xEF\xBB\xBF[GPS]\r\nA=1\r\nB=2\r\n"},
        {"a replaced entry becomes key=value with its own line end",
         "[GPS]\n  CurrAddress = 1 \nX=y", "GPS", "CURRADDRESS", "2", "[GPS]\nCurrAddress=2\nX=y"},
        {"a comment after the last entry stays after the new key",
         "[GPS]\r\nA=1\r\n; serial settings\r\n[UDP]\r\n", "GPS", "B", "2",
         "[GPS]\r\nA=1\r\nB=2\r\n; serial settings\r\n[UDP]\r\n"},
        {"an empty section takes the key after its header", "[GPS]\r\n\r\n[UDP]\r\n", "GPS", "A",
         "1", "[GPS]\r\nA=1\r\n\r\n[UDP]\r\n"},
        {"a line without = counts as an entry for placing", "[GPS]\r\nA=1\r\nnote\r\n", "GPS", "B",
         "2", "[GPS]\r\nA=1\r\nnote\r\nB=2\r\n"},
        {"a new key goes before the blank line that precedes the next section",
         "[GPS]\r\nA=1\r\n\r\n[UDP]\r\nB=2\r\n", "GPS", "C", "3",
         "[GPS]\r\nA=1\r\nC=3\r\n\r\n[UDP]\r\nB=2\r\n"},
        {"a blank-led value is stored with its blank", "[GPS]\r\n", "GPS", "AUTOSTART", " 1",
         "[GPS]\r\nAUTOSTART= 1\r\n", "1"},
    };
    for (const LayoutRow& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string file = dir.File("data.ini");
        WriteFileBytes(file, row.before);
        IniFileStore store;
        ASSERT_TRUE(store.WriteString(row.section, row.key, row.value, file));
        EXPECT_EQ(ReadFileBytes(file), row.after);
        EXPECT_EQ(store.GetString(row.section, row.key, "-", kCapacity, file),
                  row.readBack.value_or(row.value));
    }
}

TEST(IniFileStoreTest, AWriteThatChangesNothingLeavesTheFileAlone) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    WriteFileBytes(file, "[GPS]\r\nCURRADDRESS=5\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    IniFileStore store;
    ASSERT_TRUE(store.WriteString("GPS", "CURRADDRESS", "5", file));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(IniFileStoreTest, PermissionsCarryOverAndNewFilesFollowTheUmask) {
    TempDir dir;
    const std::string existing = dir.File("Corvantis.ini");
    WriteFileBytes(existing, "[GPS]\r\nA=1\r\n");
    ASSERT_EQ(::chmod(existing.c_str(), 0640), 0);
    const mode_t oldMask = ::umask(022);
    IniFileStore store;
    ASSERT_TRUE(store.WriteString("GPS", "A", "2", existing));
    ASSERT_TRUE(store.WriteString("GPS", "A", "1", dir.File("data.ini")));
    ::umask(oldMask);
    EXPECT_EQ(fs::status(existing).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir.File("data.ini")).permissions(), fs::perms(0644));
}

TEST(IniFileStoreTest, ASymbolicLinkStaysAndItsTargetIsWritten) {
    TempDir dir;
    const std::string target = dir.File("real.ini");
    const std::string link = dir.File("Corvantis.ini");
    WriteFileBytes(target, "[GPS]\r\nA=1\r\n");
    fs::create_symlink(target, link);
    IniFileStore store;
    ASSERT_TRUE(store.WriteString("GPS", "A", "2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), "[GPS]\r\nA=2\r\n");
}

TEST(IniFileStoreTest, AReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    WriteFileBytes(file, "[GPS]\r\nA=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    IniFileStore store;
    EXPECT_FALSE(store.WriteString("GPS", "A", "2", file));
    EXPECT_EQ(ReadFileBytes(file), "[GPS]\r\nA=1\r\n");
}

// Lowers the file-size limit for the test's duration; the kernel enforces it for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(IniFileStoreTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    const std::string old = "[GPS]\r\nCURRADDRESS=5\r\n";
    WriteFileBytes(file, old);
    IniFileStore store;
    {
        FileSizeLimit limit(64);
        EXPECT_FALSE(store.WriteString("GPS", "NEWADDRESS", std::string(100, '7'), file));
    }
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_NE(store.LastError().find(file), std::string::npos) << store.LastError();
    EXPECT_NE(store.LastError().find("too large"), std::string::npos) << store.LastError();
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace corvantis::testing
