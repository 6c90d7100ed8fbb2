// corvantis-headless: sets Vesper wall clocks from the PC clock over a serial line, without a
// window and without any toolkit, on a small event loop of its own.
//
// main() reads the command line and runs the program headless until "Close and Exit" (an
// operator word, SIGINT or SIGTERM).
#include <iostream>
#include <string>
#include <vector>

#include "app/headless/headless_run.h"
#include "app/options.h"
#include "platform/posix/xdg_autostart_registry.h"
#include "platform/version.h"

int main(int argc, char** argv) {
    using namespace corvantis;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Headless is all this program does; the option is accepted for the same command lines.
    const Options options = ParseOptions(arguments);
    if (!options.error.empty()) {
        std::cerr << options.error << "\n" << Usage(argv[0]);
        return 2;
    }
    if (options.help) {
        std::cout << Usage(argv[0]);
        return 0;
    }
    if (options.version) {
        std::cout << "Corvantis " << kVersionText << '\n';
        return 0;
    }
    posix::RemoveRunOnceEntries(posix::XdgAutostartRegistry::DefaultFolder());
    return RunHeadless(options, argv[0]);
}
