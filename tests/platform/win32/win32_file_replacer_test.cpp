// Status files on Windows, under wine: replaced whole, nothing left beside them.
#include "platform/win32/win32_file_replacer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/temp_dir.h"

namespace corvantis {
namespace {

TEST(Win32FileReplacerTest, CreatesAndReplacesWholeLeavingNoTemporaryFile) {
    testing::TempDir dir;
    const std::string path = dir.Path() + "\\status.json";
    Win32FileReplacer files;
    std::string error;
    for (const std::string& bytes :
         std::vector<std::string>{"{\"a\": 1}\n", "{}\n", std::string(70000, 'x')}) {
        ASSERT_TRUE(files.Replace(path, bytes, error)) << error;
        EXPECT_EQ(testing::ReadFileBytes(path), bytes);
    }
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(Win32FileReplacerTest, AMissingFolderIsAnErrorThatSaysWhy) {
    testing::TempDir dir;
    Win32FileReplacer files;
    std::string error;
    EXPECT_FALSE(files.Replace(dir.Path() + "\\missing\\status.json", "{}", error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvantis
