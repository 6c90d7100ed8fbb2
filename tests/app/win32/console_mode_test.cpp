// The console's control events reach "Close and Exit" on the loop's thread. Wine does not
// deliver Ctrl+C to a program without a console of its own, so the handler is called as the
// system would call it: on a thread of its own.
#include "app/win32/console_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
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

// Standard input is read on a helper thread; the bytes reach the loop's thread in order,
// and the end of input ends nothing.
TEST(ConsoleInputTest, BytesFromStandardInputArriveOnTheLoopsThreadInOrder) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    const HANDLE previous = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, readEnd);
    Win32EventLoop loop;
    const DWORD loopThread = GetCurrentThreadId();
    std::string got;
    bool onLoopThread = true;
    {
        ConsoleInput input(loop, [&](std::string_view bytes) {
            got += bytes;
            onLoopThread = onLoopThread && GetCurrentThreadId() == loopThread;
        });
        SetStdHandle(STD_INPUT_HANDLE, previous);
        for (const std::string piece : {"rul", "es\n", "exit\n"}) {
            DWORD written = 0;
            WriteFile(writeEnd, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr);
        }
        CloseHandle(writeEnd);
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (got.size() < 11 && std::chrono::steady_clock::now() < end) {
            loop.RunOnce(50);
        }
    }
    EXPECT_EQ(got, "rules\nexit\n");
    EXPECT_TRUE(onLoopThread);
}

}  // namespace
}  // namespace corvantis
