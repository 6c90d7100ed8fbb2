// Status files on POSIX: replaced whole, and as readable as their folder, never more.
#include "platform/posix/posix_file_replacer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/temp_dir.h"

namespace corvantis::posix {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat s {};
    EXPECT_EQ(::stat(path.c_str(), &s), 0) << path;
    return s.st_mode & 07777;
}

TEST(PosixFileReplacerTest, ANewFileTakesItsFoldersReadAndWriteBits) {
    struct Row {
        mode_t folder;
        mode_t umask;
        mode_t file;
    } rows[] = {
        {0700, 0077, 0600},  // the service's private settings folder
        {0755, 0077, 0644},  // a folder a collector reads, under the service's umask
        {0750, 0022, 0640},  // a group's folder: no more than the group may read
    };
    for (const Row& row : rows) {
        testing::TempDir dir;
        const std::string folder = dir.Path() + "/f";
        ASSERT_EQ(::mkdir(folder.c_str(), row.folder), 0);
        ::chmod(folder.c_str(), row.folder);
        const mode_t before = ::umask(row.umask);
        PosixFileReplacer files;
        std::string error;
        EXPECT_TRUE(files.Replace(folder + "/status.json", "{}\n", error)) << error;
        ::umask(before);
        EXPECT_EQ(ModeOf(folder + "/status.json"), row.file) << std::oct << row.folder;
    }
}

TEST(PosixFileReplacerTest, AnExistingFileKeepsItsBitsAndAMissingFolderIsAnError) {
    testing::TempDir dir;
    const std::string path = dir.File("m.prom");
    testing::WriteFileBytes(path, "old");
    ::chmod(path.c_str(), 0604);
    PosixFileReplacer files;
    std::string error;
    ASSERT_TRUE(files.Replace(path, "new", error)) << error;
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_FALSE(files.Replace(dir.Path() + "/missing/m.prom", "x", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvantis::posix
