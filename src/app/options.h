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
    bool verbose = false;      // trace the failures passed over on purpose
    bool logMessages = false;  // headless: a log line per clock message, not per run of them
    std::optional<std::string> settingsDir;
    bool checkRules = false;  // compare the display rules with this PC's zone and exit
    int checkYears = 5;       // how many years --check-rules looks ahead, 1-50
    // corvantis.exe only: run as the Windows service NAME (started by the service manager),
    // register it, or remove it.
    std::optional<std::string> service;
    std::optional<std::string> installService;
    std::optional<std::string> uninstallService;
    bool status = false;  // print the running program's status and exit with its state
    std::optional<std::string> metricsFile;  // where to keep the status in Prometheus' format
    std::string error;                       // not empty when the command line is not understood
};

Options ParseOptions(const std::vector<std::string>& arguments);

// The exit status of a copy that found another one running on the same settings folder.
inline constexpr int kExitAlreadyRunning = 3;

// With --verbose, every failure SkipSilently passes over is written to `err` as one line
// (SkippedLine); without, nothing is. `err` must outlive the program's run.
void TraceSkippedFailures(const Options& options, std::ostream& err);

// The text --help prints. A program whose name ends in ".exe" (corvantis.exe) also lists the
// service options.
std::string Usage(const std::string& program);

// A command line that only asks something of the program (--help, --version) or is not
// understood: prints the answer (to `out`) or the error and the usage (to `err`) and returns
// the exit status, 0 or 2. Nothing for a command line that starts the program. The service
// options are not understood by a program whose name does not end in ".exe", nor beside
// --headless or --check-rules, nor two of them at once.
std::optional<int> AnswerWithoutStarting(const Options& options, const std::string& program,
                                         std::ostream& out, std::ostream& err);

}  // namespace corvantis
