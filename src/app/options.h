// The command line.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvantis {

struct Options {
    bool headless = false;
    bool help = false;
    bool version = false;
    bool verbose = false;  // trace the failures passed over on purpose
    std::optional<std::string> settingsDir;
    bool checkRules = false;  // compare the display rules with this PC's zone and exit
    int checkYears = 5;       // how many years --check-rules looks ahead, 1-50
    bool status = false;      // print the running program's status and exit with its state
    std::optional<std::string> metricsFile;  // where to keep the status in Prometheus' format
    std::string error;                       // not empty when the command line is not understood
};

Options ParseOptions(const std::vector<std::string>& arguments);

// The exit status of a copy that found another one running on the same settings folder.
inline constexpr int kExitAlreadyRunning = 3;

// With --verbose, every failure SkipSilently passes over is written to `err` as one line
// (SkippedLine); without, nothing is. `err` must outlive the program's run.
void TraceSkippedFailures(const Options& options, std::ostream& err);

// The text --help prints.
std::string Usage(const std::string& program);

// A command line that only asks something of the program (--help, --version) or is not
// understood: prints the answer (to `out`) or the error and the usage (to `err`) and returns
// the exit status, 0 or 2. Nothing for a command line that starts the program.
std::optional<int> AnswerWithoutStarting(const Options& options, const std::string& program,
                                         std::ostream& out, std::ostream& err);

}  // namespace corvantis
