// The Windows lock meets every spelling Windows itself takes for one folder: letter case,
// forward slashes, the short (8.3) name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/instance_lock.h"
#include "platform/win32/win32_paths.h"
#include "support/temp_dir.h"

#include <windows.h>

namespace corvantis {
namespace {

std::string ShortNameOf(const std::string& path) {
    const std::wstring wide = WidePath(path);
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(wide.c_str(), buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : NarrowPath(buffer);
}

std::string Mapped(std::string text, int (*map)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [map](char c) { return static_cast<char>(map(static_cast<unsigned char>(c))); });
    return text;
}

TEST(Win32InstanceLockTest, EveryWindowsSpellingOfTheFolderMeetsTheSameLock) {
    testing::TempDir dir;
    const std::string folder = dir.File("Corvantis Settings Folder");
    ASSERT_TRUE(CreateDirectoryW(WidePath(folder).c_str(), nullptr));
    std::string slashes = folder;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    const std::string shortName = ShortNameOf(folder);
    ASSERT_FALSE(shortName.empty());
    ASSERT_NE(shortName, folder) << "the folder has a short name of its own";
    const struct {
        const char* name;
        std::string spelling;
    } rows[] = {
        {"lower case", Mapped(folder, std::tolower)},
        {"upper case", Mapped(folder, std::toupper)},
        {"forward slashes", slashes},
        {"forward slash at the end", slashes + "/"},
        {"short name", shortName},
        {"short name, lower case, trailing separator", Mapped(shortName, std::tolower) + "\\"},
    };
    const InstanceLock first(folder, InstanceMode::Window);
    ASSERT_TRUE(first.Held());
    for (const auto& row : rows) {
        EXPECT_FALSE(InstanceLock(row.spelling, InstanceMode::Headless).Held())
            << row.name << ": " << row.spelling;
    }
    testing::TempDir other;
    EXPECT_TRUE(InstanceLock(other.Path(), InstanceMode::Headless).Held());
}

}  // namespace
}  // namespace corvantis
