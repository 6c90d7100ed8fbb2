// --status: the status of the program running on a settings folder, as a monitoring check.
#pragma once

#include <ostream>
#include <string>

namespace corvantis {

// Prints the record in "status.json" of `settingsFolder` for a person, its first line in
// monitoring-plugin style, and returns the plugin's exit code: 0 OK, 1 WARNING, 2 CRITICAL,
// 3 UNKNOWN. Whether a program should be running is the folder's one-copy lock, probed without
// taking it.
int PrintStatus(const std::string& settingsFolder, std::ostream& out);

}  // namespace corvantis
