// The POSIX lock: it names the holder, and a holder that dies without cleaning up (a crash, a
// kill) leaves no stale lock behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/instance_lock.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

TEST(InstanceLockPosixTest, NamesTheHolderAndDiesWithIt) {
    testing::TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock(dir.Path(), InstanceMode::Window);
        const char byte = lock.Held() ? 1 : 0;
        [[maybe_unused]] const auto written = ::write(ready[1], &byte, 1);
        ::pause();  // until killed: never runs the destructor
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);

    const InstanceLock refused(dir.Path(), InstanceMode::Headless);
    EXPECT_FALSE(refused.Held());
    EXPECT_EQ(refused.OtherProcess(), child);
    EXPECT_EQ(refused.OtherMode(), InstanceMode::Window);
    EXPECT_NE(refused.Refusal(dir.Path()).find("(process " + std::to_string(child) + ")"),
              std::string::npos);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(InstanceLock(dir.Path(), InstanceMode::Headless).Held());
}

TEST(InstanceLockPosixTest, AFolderWithoutWriteAccessDoesNotStopTheProgram) {
    EXPECT_TRUE(InstanceLock("/nonexistent/folder", InstanceMode::Headless).Held());
}

}  // namespace
}  // namespace corvantis
