// A real executable run by a bench program: its serial line on a pseudo-terminal, its output
// drained, its CPU time and wake-ups read from /proc.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/pty_pair.h"
#include "wire_timing.h"

namespace corvantis::bench {

// How a child program ended.
struct ChildEnd {
    int exitStatus = -1;             // its exit code, or 128 plus the signal that ended it
    std::chrono::nanoseconds cpu{};  // user plus system time over its whole life
    long maxRssKb = 0;               // peak resident memory
    bool killed = false;             // it did not end within 5 s of SIGTERM and was killed
};

class ChildProgram {
public:
    // Starts `argv` (the executable first) with the environment of this process, less the
    // variables `drop` names, plus `add` ("NAME=value"). The child's standard input is
    // /dev/null; its output and error are read and kept (the first 4096 bytes each).
    ChildProgram(const std::vector<std::string>& argv, const std::vector<std::string>& drop,
                 const std::vector<std::string>& add, testing::PtyPair& line);
    // Kills the child if it still runs.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t Pid() const { return m_pid; }
    std::chrono::nanoseconds Start() const { return m_start; }
    const WireRecorder& Wire() const { return m_wire; }
    const std::string& Stderr() const { return m_err; }

    // Reads the line and the child's output until the wall clock reads `until`; calls `each`
    // (when set) after every pass. False when the child's output closed (it ended).
    template <typename Each>
    bool CollectUntil(std::chrono::nanoseconds until, Each each) {
        while (RealtimeNow() < until) {
            if (!CollectOnce(std::chrono::milliseconds(5))) {
                return false;
            }
            each();
        }
        return true;
    }
    // The first message on the wire within `limit` of the start; false when none came.
    bool WaitForFirstMessage(std::chrono::nanoseconds limit);

    // SIGTERM, then SIGKILL after 5 s; reaps the child, reading the line meanwhile.
    ChildEnd Stop();

    // User plus system CPU time of all the child's threads so far.
    std::optional<std::chrono::nanoseconds> CpuTime() const;
    // Voluntary context switches (sleeps that ended: wake-ups) of all its threads so far.
    std::optional<long long> Wakeups() const;

private:
    bool CollectOnce(std::chrono::milliseconds timeout);

    testing::PtyPair& m_line;
    pid_t m_pid = -1;
    std::chrono::nanoseconds m_start{};
    int m_stdout = -1;
    int m_stderr = -1;
    WireRecorder m_wire;
    std::string m_out;
    std::string m_err;
};

// CPU share and wake-ups of a child over a span, measured from two readings.
struct CostSample {
    std::optional<std::chrono::nanoseconds> cpu;
    std::optional<long long> wakeups;
    std::chrono::nanoseconds at{};

    static CostSample Of(const ChildProgram& child);
    // "0.123 % of a core, 4.56 wake-ups/s" from `before` to this sample.
    std::string Since(const CostSample& before) const;
};

}  // namespace corvantis::bench
