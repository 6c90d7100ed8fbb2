// One running program per settings folder, on the OS the tests are built for.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <memory>

#include "support/temp_dir.h"

namespace corvantis {
namespace {

TEST(InstanceLockTest, OneHolderPerFolderUntilItEnds) {
    testing::TempDir dir;
    const std::string folder = dir.Path();
    auto first = std::make_unique<InstanceLock>(folder, InstanceMode::Window);
    ASSERT_TRUE(first->Held());

    const InstanceLock second(folder, InstanceMode::Headless);
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(second.OtherMode(), InstanceMode::Window);
    EXPECT_NE(second.Refusal(folder).find("already running"), std::string::npos);
    EXPECT_NE(second.Refusal(folder).find(folder), std::string::npos);

    testing::TempDir otherDir;
    EXPECT_TRUE(InstanceLock(otherDir.Path(), InstanceMode::Window).Held())
        << "another folder is another program's";

    first.reset();
    EXPECT_TRUE(InstanceLock(folder, InstanceMode::Headless).Held()) << "released at the end";
}

// However the folder is spelled, a second copy meets the first one's lock.
TEST(InstanceLockTest, EverySpellingOfTheFolderMeetsTheSameLock) {
    testing::TempDir dir;
    const std::string folder = dir.File("Corvantis");
    std::filesystem::create_directory(folder);
    const std::string sep(1, std::filesystem::path::preferred_separator);
    std::error_code linkError;
    std::filesystem::create_directory_symlink(folder, dir.File("link"), linkError);
    const struct {
        const char* name;
        std::string spelling;
    } rows[] = {
        {"trailing separator", folder + sep},
        {"two trailing separators", folder + sep + sep},
        {"dot", folder + sep + "."},
        {"dot dot", folder + sep + ".." + sep + "Corvantis"},
        {"doubled separator", dir.Path() + sep + sep + "Corvantis"},
        {"link", linkError ? std::string() : dir.File("link")},
    };
    const InstanceLock first(folder, InstanceMode::Window);
    ASSERT_TRUE(first.Held());
    for (const auto& row : rows) {
        if (row.spelling.empty()) {
            std::cout << "[          ] no " << row.name << " here: " << linkError.message() << "\n";
            continue;
        }
        EXPECT_FALSE(InstanceLock(row.spelling, InstanceMode::Headless).Held())
            << row.name << ": " << row.spelling;
    }
}

// Asking whether a program runs on a folder takes nothing: a copy that starts meanwhile still
// gets the lock.
TEST(InstanceLockTest, TheProbeSeesTheHolderWithoutTakingTheLock) {
    testing::TempDir dir;
    const std::string folder = dir.Path();
    EXPECT_EQ(ProbeInstanceLock(folder), LockState::Free) << "never held";
    auto holder = std::make_unique<InstanceLock>(folder, InstanceMode::Headless);
    ASSERT_TRUE(holder->Held());
    EXPECT_EQ(ProbeInstanceLock(folder), LockState::Held);
    holder.reset();
    EXPECT_EQ(ProbeInstanceLock(folder), LockState::Free) << "released at the end";
    EXPECT_TRUE(InstanceLock(folder, InstanceMode::Window).Held()) << "the probe kept nothing";
}

}  // namespace
}  // namespace corvantis
