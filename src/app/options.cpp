#include "app/options.h"

#include "platform/failure.h"
#include "platform/version.h"

#include <charconv>

namespace corvantis {

namespace {
constexpr int kMaxCheckYears = 50;

// The service option `argument` names, or nothing when it names none.
std::optional<std::string> Options::*ServiceOption(const std::string& argument) {
    if (argument == "--service") {
        return &Options::service;
    }
    if (argument == "--install-service") {
        return &Options::installService;
    }
    if (argument == "--uninstall-service") {
        return &Options::uninstallService;
    }
    return nullptr;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Why the service options of `options` cannot run, or empty text when they can.
std::string ServiceOptionsError(const Options& options, const std::string& program) {
    const int count = static_cast<int>(options.service.has_value()) +
                      static_cast<int>(options.installService.has_value()) +
                      static_cast<int>(options.uninstallService.has_value());
    if (count == 0) {
        return {};
    }
    if (!EndsWith(program, ".exe")) {
        return "the service options are corvantis.exe's on Windows; on Linux the systemd unit "
               "corvantis@NAME runs the program as a service";
    }
    if (count > 1 || options.headless || options.checkRules) {
        return "--service, --install-service and --uninstall-service each run alone (with "
               "--settings-dir)";
    }
    return {};
}
}  // namespace

namespace {

// The value of an option that takes one, given as "--name VALUE" or "--name=VALUE": nothing
// when `argument` is not that option. An empty or missing value sets `error`.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       const std::string& name, const std::string& what,
                                       std::string& error) {
    const std::string& argument = arguments[i];
    std::string value;
    if (argument == name) {
        value = i + 1 < arguments.size() ? arguments[++i] : std::string();
    } else if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
    } else {
        return std::nullopt;
    }
    if (value.empty()) {
        error = name + " needs " + what;
    }
    return value;
}

bool ParseYears(const std::string& text, Options& options) {
    int years = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), years);
    if (failed != std::errc{} || end != text.data() + text.size() || years < 1 ||
        years > kMaxCheckYears) {
        options.error = "--years needs a whole number from 1 to 50";
        return false;
    }
    options.checkYears = years;
    return true;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--log-messages") {
            options.logMessages = true;
        } else if (argument == "--check-rules") {
            options.checkRules = true;
        } else if (argument == "--status") {
            options.status = true;
        } else if (argument == "--years") {
            ParseYears(i + 1 < arguments.size() ? arguments[++i] : "", options);
        } else if (const auto option = ServiceOption(argument)) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                options.error = argument + " needs a service name";
                return options;
            }
            options.*option = arguments[++i];
        } else if (auto folder =
                       OptionValue(arguments, i, "--settings-dir", "a folder", options.error)) {
            options.settingsDir = std::move(folder);
        } else if (auto file =
                       OptionValue(arguments, i, "--metrics-file", "a file", options.error)) {
            options.metricsFile = std::move(file);
        } else {
            options.error = "unknown option " + argument;
        }
    }
    return options;
}

namespace {
std::string ServiceUsage(const std::string& program) {
    return "\n"
           "As a Windows service (administrator rights needed to install or remove it):\n"
           "  " +
           program +
           " --install-service NAME [--settings-dir DIR]\n"
           "                      register service NAME: it starts with Windows, before\n"
           "                      anyone logs on, and is restarted after a failure; its\n"
           "                      settings are in DIR (default %ProgramData%\\Corvantis\\NAME)\n"
           "  " +
           program +
           " --uninstall-service NAME\n"
           "                      stop and remove service NAME; its settings stay\n"
           "  " +
           program +
           " --service NAME [--settings-dir DIR]\n"
           "                      how the service manager runs it (sc start NAME)\n"
           "Warnings and errors of the service go to the Event Log (source Corvantis).\n";
}
}  // namespace

std::string Usage(const std::string& program) {
    return "Usage: " + program +
           " [--headless] [--log-messages] [--verbose] [--settings-dir DIR]\n"
           "         [--metrics-file FILE]\n"
           "       " +
           program +
           " --check-rules [--years N] [--settings-dir DIR]\n"
           "       " +
           program +
           " --status [--settings-dir DIR]\n"
           "Sets Vesper wall clocks from this PC's clock over a serial line.\n"
           "\n"
           "  --headless          run without a window: changes (port, replies, warnings,\n"
           "                      sending stopped or resumed) are printed one a line;\n"
           "                      operator commands are read from standard input: rules,\n"
           "                      address, pause, resume, utc, exit\n"
           "  --log-messages      headless: print every clock message, not only the first of\n"
           "                      each run and an hourly summary (also [Log] Messages=1)\n"
           "  --settings-dir DIR  keep Corvantis.ini and data.ini in DIR\n"
           "  --check-rules       compare the stored display rules with this PC's time zone\n"
           "                      over the next 5 years (--years N: N years); exits 0 when\n"
           "                      they agree, 1 when they do not\n"
           "  --metrics-file FILE also keep the status in FILE in Prometheus' text format,\n"
           "                      for the textfile collector of node_exporter or\n"
           "                      windows_exporter\n"
           "  --status            print the status of the program running on these settings\n"
           "                      (from status.json in the settings folder) and exit 0 OK,\n"
           "                      1 WARNING, 2 CRITICAL or 3 UNKNOWN, as a monitoring check\n"
           "  --verbose           also print, on standard error, each failure the program\n"
           "                      passes over on purpose (a step skipped, the tick going on)\n"
           "  --version           print the version and exit\n"
           "  --help              print this help and exit\n"
           "\n"
           "Without a display the program runs headless by itself. One copy runs per settings\n"
           "folder: a second one ends with exit status 3 (with a window, it brings the first\n"
           "one's window forward).\n" +
           (EndsWith(program, ".exe") ? ServiceUsage(program) : std::string());
}

void TraceSkippedFailures(const Options& options, std::ostream& err) {
    if (!options.verbose) {
        SetSkipTracer(nullptr);
        return;
    }
    SetSkipTracer([&err](const Failure& failure, const CallSite& where) {
        err << SkippedLine(failure, where) << std::endl;
    });
}

std::optional<int> AnswerWithoutStarting(const Options& options, const std::string& program,
                                         std::ostream& out, std::ostream& err) {
    const std::string error =
        options.error.empty() ? ServiceOptionsError(options, program) : options.error;
    if (!error.empty()) {
        err << error << "\n" << Usage(program) << std::flush;
        return 2;
    }
    if (options.help) {
        out << Usage(program) << std::flush;
        return 0;
    }
    if (options.version) {
        out << "Corvantis " << kVersionText << std::endl;
        return 0;
    }
    return std::nullopt;
}

}  // namespace corvantis
