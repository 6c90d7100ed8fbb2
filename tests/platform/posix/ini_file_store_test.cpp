#include "platform/posix/ini_file_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile_store_behaviour.h"
#include "settings/ini.h"
#include "support/fakes.h"
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

// A link whose file does not exist yet is written through, as a good one is; a link that
// leads nowhere is refused and stays as it was, never replaced by a regular file.
TEST(IniFileStoreTest, ADanglingSymbolicLinkIsWrittenThroughOrRefusedNeverReplaced) {
    struct Row {
        const char* what;
        std::string linkTo;  // relative to the test's folder, or absolute
        bool written;
    };
    for (const Row& row : {Row{"absent file, absolute link", "<dir>/real.ini", true},
                           Row{"absent file, relative link", "real.ini", true},
                           Row{"absent folder", "<dir>/gone/real.ini", false},
                           Row{"loop", "Corvantis.ini", false}}) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        std::string target = row.linkTo;
        if (target.rfind("<dir>", 0) == 0) {
            target = dir.Path() + target.substr(5);
        }
        const std::string link = dir.File("Corvantis.ini");
        fs::create_symlink(target, link);
        IniFileStore store;
        EXPECT_EQ(store.WriteString("GPS", "A", "2", link), row.written) << store.LastError();
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link).string(), target);
        if (row.written) {
            EXPECT_EQ(ReadFileBytes(dir.File("real.ini")), "[GPS]\r\nA=2\r\n");
            EXPECT_EQ(store.GetString("GPS", "a", "", kCapacity, link), "2");
        } else {
            EXPECT_NE(store.LastError().find(link.substr(0, link.rfind('/'))), std::string::npos)
                << store.LastError();
        }
    }
}

// Bytes of `ascii` as UTF-16 with its byte-order mark.
std::string Utf16(std::string_view ascii, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : ascii) {
        bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return bytes;
}

// UTF-16 files are read, and written back in UTF-16 of their own byte order, as the Windows
// profile functions do; characters beyond ASCII come back as UTF-8.
TEST(IniFileStoreTest, Utf16FilesAreReadAndWrittenInTheirOwnEncoding) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        TempDir dir;
        const std::string file = dir.File("Corvantis.ini");
        std::string bytes = Utf16("[GPS]\r\nCurrAddress=5\r\nName=", little);
        bytes += little ? std::string("\xE9\x00\x3D\xD8\x00\xDE", 6)  // e-acute, U+1F600
                        : std::string("\x00\xE9\xD8\x3D\xDE\x00", 6);
        bytes += Utf16("\r\n", little).substr(2);
        WriteFileBytes(file, bytes);
        IniFileStore store;
        EXPECT_EQ(store.GetString("gps", "curraddress", "", kCapacity, file), "5");
        EXPECT_EQ(store.GetString("GPS", "name", "", kCapacity, file), "\xC3\xA9\xF0\x9F\x98\x80");

        ASSERT_TRUE(store.WriteString("GPS", "CURRADDRESS", "7", file));
        ASSERT_TRUE(store.WriteString("SerialSync", "COMPORT", "COM5", file));
        std::string expected = Utf16("[GPS]\r\nCurrAddress=7\r\nName=", little);
        expected += bytes.substr(expected.size(), 6);
        expected += Utf16("\r\n[SerialSync]\r\nCOMPORT=COM5\r\n", little).substr(2);
        EXPECT_EQ(ReadFileBytes(file), expected);
        EXPECT_EQ(store.GetString("SerialSync", "comport", "", kCapacity, file), "COM5");
    }
}

// Every bytes of a UTF-16 file survive a decode and encode, odd ones included.
TEST(IniFileStoreTest, Utf16DecodingAndEncodingGiveBackTheSameBytes) {
    for (const std::string& bytes :
         {std::string("\xFF\xFE\x00\xD8\x41\x00", 6),  // a lone high surrogate
          std::string("\xFF\xFE\x00\xDC\x00\xD8", 6),  // low before high
          std::string("\xFE\xFF\x00\x41\x7F", 5),      // an odd last byte
          std::string("\xFF\xFE", 2)}) {
        const posix::IniFileText text = posix::DecodeIniFile(bytes);
        EXPECT_NE(text.encoding, posix::TextEncoding::Bytes);
        EXPECT_EQ(posix::EncodeIniFile(text), bytes);
    }
}

// A file is parsed once, however many keys are read, and again only when it changed.
TEST(IniFileStoreTest, AFileIsParsedOncePerChange) {
    TempDir dir;
    const std::string file = dir.File("data.ini");
    WriteFileBytes(file, "[CommMethod]\r\nDSThour=2\r\n");
    IniFileStore store;
    for (int read = 0; read < 40; ++read) {
        EXPECT_EQ(store.GetString("CommMethod", "dsthour", "", kCapacity, file), "2");
    }
    EXPECT_EQ(store.FileReads(), 1u);

    WriteFileBytes(file, "[CommMethod]\r\nDSThour=3\r\n");  // changed by someone else
    EXPECT_EQ(store.GetString("CommMethod", "dsthour", "", kCapacity, file), "3");
    ASSERT_TRUE(store.WriteString("CommMethod", "DSTHOUR", "4", file));
    EXPECT_EQ(store.GetString("CommMethod", "dsthour", "", kCapacity, file), "4");
    EXPECT_EQ(store.FileReads(), 3u);
}

// Temporary files a replace interrupted by a power cut left are removed the first time the
// store touches the file; other files, and a replace that may still be under way, stay.
TEST(IniFileStoreTest, TemporariesOfAnInterruptedSaveAreRemovedAtTheFirstUse) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    WriteFileBytes(file, "[GPS]\r\nA=1\r\n");
    const std::string stale = dir.File(".Corvantis.ini.tmp-0123456789abcdef");
    const std::string fresh = dir.File(".Corvantis.ini.tmp-fedcba9876543210");
    const std::vector<std::string> kept = {dir.File(".Corvantis.ini.tmp-notmine"),
                                           dir.File(".data.ini.tmp-0123456789abcdef"), fresh};
    for (const std::string& name : kept) {
        WriteFileBytes(name, "[GPS]\r\n");
    }
    WriteFileBytes(stale, "[GPS]\r\nA=");
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(stale, hourAgo);
    fs::last_write_time(kept[0], hourAgo);
    fs::last_write_time(kept[1], hourAgo);

    IniFileStore store;
    EXPECT_EQ(store.GetString("GPS", "a", "", kCapacity, file), "1");
    EXPECT_FALSE(fs::exists(stale));
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(name)) << name;
    }
}

TEST(IniFileStoreTest, AFileThatCannotBeReadSaysWhy) {
    TempDir dir;
    const std::string readable = dir.File("Corvantis.ini");
    WriteFileBytes(readable, "[GPS]\r\n");
    const std::string folder = dir.File("data.ini");  // exists, but is no file to read
    fs::create_directory(folder);
    IniFileStore store;
    EXPECT_EQ(store.ReadProblem(readable), "");
    EXPECT_EQ(store.ReadProblem(dir.File("absent.ini")), "");
    EXPECT_NE(store.ReadProblem(folder), "");
    EXPECT_EQ(store.GetString("CommMethod", "DSThour", "2", kCapacity, folder), "2");
    EXPECT_FALSE(store.WriteString("CommMethod", "DSTHOUR", "3", folder));
    EXPECT_TRUE(fs::is_directory(folder));
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

// WriteIni over the real store while the disk is full (a file-size limit stands in for it,
// as it stops root too) or the folder is read-only: the old file stays whole, one warning per
// file, and what was set reaches the file once writes go through again.
TEST(IniDiskTroubleTest, SettingsSavedWhileTheDiskRefusesArriveWhenItTakesThemAgain) {
    enum class Trouble { DiskFull, ReadOnlyFolder };
    for (const Trouble trouble : {Trouble::DiskFull, Trouble::ReadOnlyFolder}) {
        const bool full = trouble == Trouble::DiskFull;
        SCOPED_TRACE(full ? "disk full" : "read-only folder");
        if (!full && ::geteuid() == 0) {
            continue;  // permission bits do not stop root
        }
        TempDir dir;
        FakePlatform platform;
        IniFileStore store;
        SettingsFiles settings(store, platform.status, dir.Path());
        const std::string file = settings.PathOf(kCorvantisIni);
        WriteIni(settings, "GPS", "CurrAddress", "5", file);
        const std::string old = ReadFileBytes(file);
        {
            std::optional<FileSizeLimit> limit;
            if (full) {
                limit.emplace(static_cast<rlim_t>(old.size() - 1));
            } else {
                ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
            }
            WriteIni(settings, "GPS", "NewAddress", "12", file);
            WriteIni(settings, "GPS", "CurrAddress", "7", file);
            RetryUnsavedSettings(settings);
            EXPECT_EQ(ReadFileBytes(file), old);
            EXPECT_EQ(platform.status.warnings.size(), 1u);
            ::chmod(dir.Path().c_str(), 0755);
        }
        RetryUnsavedSettings(settings);
        EXPECT_EQ(ReadFileBytes(file), "[GPS]\r\nCURRADDRESS=7\r\nNEWADDRESS=12\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    }
}

}  // namespace
}  // namespace corvantis::testing
