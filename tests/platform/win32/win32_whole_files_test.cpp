// The Win32 file layer under the INI store: UTF-16 files stay UTF-16 and read as the profile
// functions read them, temporaries an interrupted save left are tidied, and a replace keeps
// what the file's owner set.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_profile_store.h"
#include "platform/win32/win32_whole_files.h"
#include "support/temp_dir.h"

#include <windows.h>

namespace corvantis::testing {
namespace {

constexpr std::size_t kCapacity = 750;

std::string Utf16Le(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring ProfileWide(const std::wstring& section, const std::wstring& key,
                         const std::string& file) {
    wchar_t buffer[kCapacity] = {};
    const DWORD copied = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<absent>", buffer,
                                                  kCapacity, WidePath(file).c_str());
    return std::wstring(buffer, copied);
}

// A value with letters beyond ASCII that the ANSI code page holds, and its 8-bit form there.
const std::wstring kWideValue = L"Z\u00FCrich-\u00E9t\u00E9";
const std::string kAnsiValue = NarrowPath(kWideValue);

TEST(Win32IniFileStoreTest, Utf16FilesStayUtf16AndReadAsTheProfileFunctionsReadThem) {
    struct Row {
        const char* name;
        std::wstring before;
    };
    const Row rows[] = {
        {"an entry replaced", L"[GPS]\r\nCOMPORT=COM1\r\nCITY=" + kWideValue + L"\r\n"},
        {"an entry added", L"; \u00C4nderungen\r\n[GPS]\r\nCITY=" + kWideValue + L"\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string file = dir.File("Corvantis.ini");
        WriteFileBytes(file, Utf16Le(row.before));
        Win32ProfileStore profile;
        Win32IniFileStore store;
        EXPECT_EQ(store.GetString("GPS", "city", "", kCapacity, file),
                  profile.GetString("GPS", "city", "", kCapacity, file));
        EXPECT_EQ(store.GetString("GPS", "city", "", kCapacity, file), kAnsiValue);

        ASSERT_TRUE(store.WriteString("GPS", "COMPORT", "COM7", file)) << store.LastError();
        ASSERT_TRUE(store.WriteString("GPS", "OWNER", kAnsiValue, file)) << store.LastError();
        const std::string after = ReadFileBytes(file);
        ASSERT_GE(after.size(), 2u);
        EXPECT_EQ(after.substr(0, 2), "\xFF\xFE") << "the file stays UTF-16";
        EXPECT_EQ(ProfileWide(L"GPS", L"comport", file), L"COM7");
        EXPECT_EQ(ProfileWide(L"GPS", L"owner", file), kWideValue);
        EXPECT_EQ(ProfileWide(L"GPS", L"city", file), kWideValue) << "other lines kept";
    }
}

// Sets the last write time of `path` to `age` seconds ago.
void MakeOld(const std::string& path, long long age) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart -= static_cast<unsigned long long>(age) * 10'000'000ULL;
    const FILETIME then{time.LowPart, time.HighPart};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &then));
    CloseHandle(file);
}

TEST(Win32IniFileStoreTest, TemporariesAnInterruptedSaveLeftGoAtTheFirstTouch) {
    struct Row {
        const char* name;
        long long age;  // seconds
        bool removed;
    };
    const Row rows[] = {
        {".data.ini.tmp-0123456789abcdef", 60, true},   // left by a crash
        {".data.ini.tmp-fedcba9876543210", 0, false},   // another copy's save under way
        {".data.ini.tmp-0123456789abcdeg", 60, false},  // not a name a save gives
        {"data.ini.tmp-0123456789abcdef", 60, false},
        {".Corvantis.ini.tmp-0123456789abcdef", 60, false},  // another file's
    };
    TempDir dir;
    for (const Row& row : rows) {
        WriteFileBytes(dir.File(row.name), "half a file");
        MakeOld(dir.File(row.name), row.age);
    }
    Win32IniFileStore store;
    EXPECT_EQ(store.GetString("CommMethod", "dsthour", "2", kCapacity, dir.File("data.ini")), "2");
    for (const Row& row : rows) {
        const DWORD attributes = GetFileAttributesW(WidePath(dir.File(row.name)).c_str());
        EXPECT_EQ(attributes == INVALID_FILE_ATTRIBUTES, row.removed) << row.name;
    }
}

TEST(Win32IniFileStoreTest, AReplaceKeepsWhatTheOwnerSet) {
    TempDir dir;
    const std::string file = dir.File("data.ini");
    const std::wstring wide = WidePath(file);
    Win32IniFileStore store;
    ASSERT_TRUE(store.WriteString("CommMethod", "DSTHOUR", "2", file)) << store.LastError();

    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(store.WriteString("CommMethod", "DSTHOUR", "3", file)) << store.LastError();
    EXPECT_TRUE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(store.WriteString("CommMethod", "DSTHOUR", "4", file));
    EXPECT_NE(store.LastError().find("read-only"), std::string::npos) << store.LastError();
    EXPECT_EQ(ReadFileBytes(file), "[CommMethod]\r\nDSTHOUR=3\r\n");
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);

    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(WidePath(dir.File("*")).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int files = 0;
    do {
        files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1) << "no temporary file stays";
}

}  // namespace
}  // namespace corvantis::testing
