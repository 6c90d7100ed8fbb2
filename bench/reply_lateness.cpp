// reply_lateness [seconds] [executable [arguments...]]
//
// How late the clock messages reach the far end of the serial line while the clock side
// answers. Runs `corvantis --headless` (or the executable and arguments given) in a scratch
// settings folder with COM1 mapped to a pseudo-terminal, waits for its first message, then
// three phases of `seconds` each (default 60): no replies; a reply ("ACK 01 RULES\r\n")
// written 20 ms before each even second; a flood of bytes written as fast as the line takes
// them. For each phase prints how long after the start of the second it carries the first
// byte of each message arrived (p50, p99, max), and the program's CPU share. Prints figures;
// passes or fails nothing.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_program.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kReplyBeforeEvenSecond = 20ms;
constexpr nanoseconds kFirstMessageLimit = 10s;
const std::string kReply = "ACK 01 RULES\r\n";

enum class Phase { Quiet, Replies, Flood };

const char* PhaseName(Phase phase) {
    switch (phase) {
        case Phase::Quiet:
            return "no replies";
        case Phase::Replies:
            return "a reply 20 ms before each even second";
        case Phase::Flood:
            break;
    }
    return "a flood of replies";
}

// The next moment 20 ms before an even second, after `now`.
nanoseconds NextReplyTime(nanoseconds now) {
    const nanoseconds two = 2s;
    nanoseconds at = now - now % two + two - kReplyBeforeEvenSecond;
    return at > now ? at : at + two;
}

void RunPhase(ChildProgram& child, testing::PtyPair& line, Phase phase, nanoseconds span) {
    const nanoseconds start = RealtimeNow();
    const CostSample before = CostSample::Of(child);
    nanoseconds nextReply = NextReplyTime(start);
    const std::string flood(4096, 'F');
    child.CollectUntil(start + span, [&] {
        if (phase == Phase::Replies && RealtimeNow() >= nextReply) {
            (void)::write(line.Master(), kReply.data(), kReply.size());
            nextReply = NextReplyTime(RealtimeNow());
        } else if (phase == Phase::Flood) {
            (void)::write(line.Master(), flood.data(), flood.size());
        }
    });
    const CostSample after = CostSample::Of(child);
    std::vector<Arrival> inPhase;
    for (const Arrival& arrival : child.Wire().Arrivals()) {
        if (arrival.firstByte >= start) {
            inPhase.push_back(arrival);
        }
    }
    const Summary late = Summarize(DelaysAfterCarriedSecond(inPhase, start));
    std::printf("  %-38s %3zu messages, late p50 %6.1f ms, p99 %6.1f ms, max %6.1f ms; %s\n",
                PhaseName(phase), late.count, late.p50, late.p99, late.max,
                after.Since(before).c_str());
    std::fflush(stdout);
}

int Run(nanoseconds span, std::vector<std::string> program) {
    ScratchFolder settings;
    testing::PtyPair line;
    settings.Write("Corvantis.ini",
                   "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    program.push_back("--settings-dir");
    program.push_back(settings.Path());
    ChildProgram child(program, {"QT_QPA_PLATFORM", "XDG_CONFIG_HOME"},
                       {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + settings.Path() + "/c"},
                       line);
    std::printf("%s, %.0f s per phase\n", program.front().c_str(),
                std::chrono::duration<double>(span).count());
    if (!child.WaitForFirstMessage(kFirstMessageLimit)) {
        std::printf("no message on the wire within 10 s\n%s\n", child.Stderr().c_str());
        return 1;
    }
    for (Phase phase : {Phase::Quiet, Phase::Replies, Phase::Flood}) {
        RunPhase(child, line, phase, span);
    }
    child.Stop();
    return 0;
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    std::vector<std::string> program;
    for (int i = 2; i < argc; ++i) {
        program.push_back(argv[i]);
    }
    if (program.empty()) {
        program = {CORVANTIS_EXECUTABLE, "--headless"};
    }
    return corvantis::bench::Run(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::duration<double>(seconds)),
                                 program);
}
