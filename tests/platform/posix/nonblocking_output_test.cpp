// Log lines over a pipe nobody reads, or whose reader went away: the writer never waits and
// never dies, lines stay whole, and what was dropped is counted and said.
#include "platform/posix/nonblocking_output.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <sstream>
#include <string>

namespace corvantis::posix {
namespace {

using namespace std::chrono_literals;

struct Pipe {
    Pipe() {
        EXPECT_EQ(::pipe(fds), 0);
        ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    }
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    std::string Read() {
        std::string text;
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(fds[0], buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return text;
    }
    int fds[2] = {-1, -1};
};

TEST(NonBlockingOutputTest, AStalledReaderCostsWholeLinesCountedAndSaidNeverAWait) {
    Pipe pipe;
    EventLoop loop;
    NonBlockingOutput output(pipe.fds[1]);
    output.AttachTo(loop);
    std::ostream out(&output);
    const std::string line(999, 'x');
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {  // 200 kB into a 4 kB pipe nobody reads
        out << line << std::endl;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "the writer never waited";
    EXPECT_LE(output.QueuedBytes(), NonBlockingOutput::kQueueLimit);
    const std::uint64_t dropped = output.DroppedLines();
    EXPECT_GT(dropped, 100u);

    // The reader comes back: the queue drains on the loop, then the count is said.
    std::string read;
    for (int pass = 0; pass < 200 && read.find("dropped") == std::string::npos; ++pass) {
        read += pipe.Read();
        loop.RunOnce(10ms);
    }
    read += pipe.Read();
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

TEST(NonBlockingOutputTest, AReaderThatWentAwayEndsTheOutputNotTheProgram) {
    Pipe pipe;
    IgnoreBrokenPipes();
    NonBlockingOutput output(pipe.fds[1]);
    std::ostream out(&output);
    out << "first" << std::endl;
    EXPECT_EQ(pipe.Read(), "first\n");
    ::close(pipe.fds[0]);
    pipe.fds[0] = -1;
    out << "second" << std::endl;  // EPIPE, not SIGPIPE
    EXPECT_TRUE(output.Ended());
    out << "third" << std::endl;
    EXPECT_EQ(output.QueuedBytes(), 0u);
}

TEST(NonBlockingOutputTest, TheSharedDescriptorKeepsItsBlockingMode) {
    Pipe pipe;
    {
        NonBlockingOutput output(pipe.fds[1]);
        std::ostream(&output) << "line" << std::endl;
        EXPECT_EQ(::fcntl(pipe.fds[1], F_GETFL) & O_NONBLOCK, 0);
    }
    EXPECT_EQ(::fcntl(pipe.fds[1], F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(pipe.Read(), "line\n");
}

}  // namespace
}  // namespace corvantis::posix
