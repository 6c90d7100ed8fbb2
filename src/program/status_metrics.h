// The status record in the Prometheus text exposition format, for the textfile collectors of
// node_exporter and windows_exporter.
#pragma once

#include <string>

namespace corvantis {

// `value` with `digits` decimals and a point, whatever the locale.
std::string FixedText(double value, int digits);

}  // namespace corvantis
