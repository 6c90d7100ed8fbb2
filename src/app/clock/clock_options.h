// The command line of corvantis-clock, the clock emulator.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvantis {

struct ClockOptions {
    std::vector<int> addresses{1, 2};    // one clock per address, 0-99
    bool acknowledge = false;            // answer addressed commands (clock/clock_group.h)
    std::optional<int> seconds;          // stop after this many seconds
    std::optional<std::string> ptyFile;  // make a pty pair; write its slave path here
    std::optional<std::string> device;   // the serial device to open
    bool lines = false;                  // print lines even on a terminal
    bool window = false;                 // analog faces in a window
    bool help = false;
    std::string error;  // not empty when the command line is not understood
};

ClockOptions ParseClockOptions(const std::vector<std::string>& arguments);

std::string ClockUsage(const std::string& program);

}  // namespace corvantis
