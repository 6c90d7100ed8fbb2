// The command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvantis {

struct Options {
    bool headless = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> settingsDir;
    bool checkRules = false;  // compare the display rules with this PC's zone and exit
    int checkYears = 5;       // how many years --check-rules looks ahead, 1-50
    std::string error;        // not empty when the command line is not understood
};

Options ParseOptions(const std::vector<std::string>& arguments);

// The exit status of a copy that found another one running on the same settings folder.
inline constexpr int kExitAlreadyRunning = 3;

// The text --help prints.
std::string Usage(const std::string& program);

}  // namespace corvantis
