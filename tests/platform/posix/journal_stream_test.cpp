// A standard stream is the journal's only when JOURNAL_STREAM names that very stream.
#include "platform/posix/journal_stream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace corvantis::posix {
namespace {

TEST(JournalStreamTest, OnlyTheStreamJournalStreamNames) {
    testing::TempDir dir;
    const int fd = ::open(dir.File("log").c_str(), O_WRONLY | O_CREAT, 0600);
    const int other = ::open(dir.File("other").c_str(), O_WRONLY | O_CREAT, 0600);
    struct stat file {};
    ASSERT_EQ(::fstat(fd, &file), 0);
    const std::string named = std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino);
    for (const auto& [value, stream, expected] :
         {std::tuple{named, fd, true}, std::tuple{named, other, false},
          std::tuple{std::string("garbage"), fd, false}, std::tuple{std::string(""), fd, false}}) {
        testing::ScopedEnvironment environment("JOURNAL_STREAM", value);
        EXPECT_EQ(GoesToJournal(stream), expected) << value;
    }
    ::close(fd);
    ::close(other);
}

}  // namespace
}  // namespace corvantis::posix
