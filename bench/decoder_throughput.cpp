// Decoder throughput: how many bytes (and messages) per second the wire decoder and a group
// of clock models take, over a recorded-looking line of every kind of message with some
// garbage. Prints the figures; never fails.
//
//   build/bench/decoder_throughput [megabytes]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clock/clock_group.h"
#include "protocol/messages.h"
#include "protocol/wire_decoder.h"

int main(int argc, char** argv) {
    using namespace corvantis;
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
    const DisplayRuleFields rules{" -6", " 0", " 327", "1117", " 2", " 0"};

    // One round: the time each even second, a rules message, an addressed command, a local
    // time message and a little garbage.
    std::string round;
    for (int s = 0; s < 60; s += 2) {
        round += TimeOnlyMessage({2027, 3, 14, 7, 59, s});
    }
    round += RulesMessage({2027, 3, 14, 8, 0, 0}, rules);
    round += AddressedCommand("5", "12", 1, rules);
    round += LocalTimeMessage({2027, 3, 14, 2, 0, 2});
    round += "\r\n\xff";
    std::string line;
    while (line.size() < static_cast<std::size_t>(megabytes * 1e6)) {
        line += round;
    }
    constexpr std::size_t kPiece = 64;  // bytes per read, as a serial driver hands them over

    using Clock = std::chrono::steady_clock;
    {
        WireDecoder decoder;
        std::size_t messages = 0;
        const auto start = Clock::now();
        for (std::size_t at = 0; at < line.size(); at += kPiece) {
            for (const DecodeEvent& event :
                 decoder.Feed(std::string_view(line).substr(at, kPiece))) {
                messages += event.message ? 1 : 0;
            }
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("decoder alone:       %.1f MB/s, %.0f messages/s (%zu messages, %.2f s)\n",
                    line.size() / seconds / 1e6, messages / seconds, messages, seconds);
        std::printf("  a 9600-baud line carries 960 bytes/s: %.0f times real time\n",
                    line.size() / seconds / 960.0);
    }
    {
        ClockGroup group({1, 2, 3, 4, 5}, true);
        const auto start = Clock::now();
        for (std::size_t at = 0; at < line.size(); at += kPiece) {
            group.Receive(std::string_view(line).substr(at, kPiece), std::chrono::milliseconds(0));
            group.TakeEvents();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("decoder + 5 clocks:  %.1f MB/s, %.0f messages/s\n",
                    line.size() / seconds / 1e6, group.MessagesDecoded() / seconds);
    }
    return 0;
}
