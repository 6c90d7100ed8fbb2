// What the program knows about itself.
#pragma once

#include <string>

#include "platform/version.h"

namespace corvantis {

struct ProgramInfo {
    std::string title = "Corvantis";
    int versionMajor = kVersionMajor;
    int versionMinor = kVersionMinor;
    int versionRevision = kVersionRevision;
    std::string executableFolder;    // folder of the running executable, no trailing separator
    std::string executableBaseName;  // file name it was started as, without extension
    std::string settingsFolder;      // where both INI files live, no trailing separator
    // The command that shows the program at work without clocks, named where nothing is sent;
    // empty for a program that has none (the Windows one).
    std::string demoCommand = "scripts/run --demo";
};

}  // namespace corvantis
