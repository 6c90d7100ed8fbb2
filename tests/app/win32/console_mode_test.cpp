// The console's control events reach "Close and Exit" on the loop's thread. Wine does not
// deliver Ctrl+C to a program without a console of its own, so the handler is called as the
// system would call it: on a thread of its own.
#include "app/win32/console_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace corvantis {
namespace {

using namespace std::chrono_literals;

TEST(ConsoleControlTest, EveryControlEventClosesOnTheLoopsThread) {
    for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT}) {
        SCOPED_TRACE(event);
        Win32EventLoop loop;
        const DWORD loopThread = GetCurrentThreadId();
        DWORD closedOn = 0;
        ConsoleControl control(loop, [&] {
            closedOn = GetCurrentThreadId();
            loop.Quit(0);
        });
        std::atomic<bool> returned = false;
        BOOL taken = FALSE;
        std::thread system([&] {
            taken = ConsoleControl::Handler(event);
            returned = true;
        });
        EXPECT_EQ(loop.Run(), 0);
        EXPECT_EQ(closedOn, loopThread);
        if (event == CTRL_CLOSE_EVENT) {
            // The system ends the process when the handler returns: it waits for the close.
            std::this_thread::sleep_for(100ms);
            EXPECT_FALSE(returned);
            control.Finished();
        }
        system.join();
        EXPECT_TRUE(taken);
    }
}

TEST(ConsoleControlTest, WithoutAControlObjectTheEventIsLeftToTheSystem) {
    EXPECT_FALSE(ConsoleControl::Handler(CTRL_C_EVENT));
}

}  // namespace
}  // namespace corvantis
