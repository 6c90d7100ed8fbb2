// Log lines over a pipe nobody reads, or whose reader went away, under wine: the writer never
// waits, lines stay whole, and what was dropped is counted and said.
#include "platform/win32/win32_queued_output.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

namespace corvantis {
namespace {

using namespace std::chrono_literals;

struct Pipe {
    Pipe() { EXPECT_TRUE(CreatePipe(&read, &write, nullptr, 4096)); }
    ~Pipe() {
        for (HANDLE handle : {read, write}) {
            if (handle != nullptr) {
                CloseHandle(handle);
            }
        }
    }
    // What waits in the pipe now.
    std::string Available() {
        std::string text;
        DWORD waiting = 0;
        while (PeekNamedPipe(read, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
            std::string chunk(waiting, '\0');
            DWORD got = 0;
            if (!ReadFile(read, chunk.data(), waiting, &got, nullptr)) {
                break;
            }
            text.append(chunk.data(), got);
        }
        return text;
    }
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

TEST(QueuedOutputTest, AStalledReaderCostsWholeLinesCountedAndSaidNeverAWait) {
    Pipe pipe;
    QueuedOutput output(pipe.write);
    std::ostream out(&output);
    const std::string line(999, 'x');
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {  // 200 kB into a small pipe nobody reads
        out << line << std::endl;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "the writer never waited";
    const std::uint64_t dropped = output.DroppedLines();
    EXPECT_GT(dropped, 100u);

    std::string read;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (read.find("dropped") == std::string::npos && std::chrono::steady_clock::now() < end) {
        read += pipe.Available();
        std::this_thread::sleep_for(10ms);
    }
    std::istringstream lines(read);
    std::string got;
    int whole = 0;
    std::string report;
    while (std::getline(lines, got)) {
        if (got == line) {
            ++whole;
        } else {
            report = got;
        }
    }
    EXPECT_EQ(static_cast<std::uint64_t>(whole) + dropped, 200u) << "no line cut or lost";
    EXPECT_EQ(report,
              std::to_string(dropped) + " output lines were dropped while nobody read this output");
}

TEST(QueuedOutputTest, AReaderThatWentAwayEndsTheOutputNotTheProgram) {
    Pipe pipe;
    QueuedOutput output(pipe.write);
    std::ostream out(&output);
    CloseHandle(pipe.read);
    pipe.read = nullptr;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!output.Ended() && std::chrono::steady_clock::now() < end) {
        out << "line" << std::endl;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(output.Ended());
    out << "after" << std::endl;
    EXPECT_EQ(output.QueuedBytes(), 0u);
}

}  // namespace
}  // namespace corvantis
