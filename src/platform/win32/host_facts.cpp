// What the portable code asks of a Windows host: its path spelling, its serial device names
// and its local time.
#include <time.h>

#include "platform/date_time.h"
#include "platform/path_style.h"
#include "platform/port_map.h"

namespace corvantis {

const PathStyle kHostPathStyle = PathStyle::Windows;

PortMap PortMap::SystemDefaults() {
    return WindowsDefaults();
}

DateTime LocalDateTime(std::int64_t seconds) {
    const __time64_t t = static_cast<__time64_t>(seconds);
    struct tm local {};
    _localtime64_s(&local, &t);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace corvantis
