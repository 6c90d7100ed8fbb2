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
};

}  // namespace corvantis
