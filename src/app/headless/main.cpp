// corvantis-headless: sets Vesper wall clocks from the PC clock over a serial line, without a
// window and without any toolkit, on a small event loop of its own.
//
// main() reads the command line and runs the program headless until "Close and Exit" (an
// operator word, SIGINT or SIGTERM), or prints the rule check with --check-rules.
#include <iostream>
#include <string>
#include <vector>

#include "app/headless/headless_run.h"
#include "app/options.h"

int main(int argc, char** argv) {
    using namespace corvantis;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Headless is all this program does; the option is accepted for the same command lines.
    const Options options = ParseOptions(arguments);
    if (const auto answered = AnswerWithoutStarting(options, argv[0], std::cout, std::cerr)) {
        return *answered;
    }
    TraceSkippedFailures(options, std::cerr);
    return RunHeadless(options, argv[0]);
}
