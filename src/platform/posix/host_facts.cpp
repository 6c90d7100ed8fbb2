// What the portable code asks of a POSIX host: its path spelling, its serial device names and
// its local time.
#include <time.h>

#include "platform/date_time.h"
#include "platform/path_style.h"
#include "platform/port_map.h"

namespace corvantis {

const PathStyle kHostPathStyle = PathStyle::Posix;

PortMap PortMap::SystemDefaults() {
    return LinuxDefaults();
}

DateTime LocalDateTime(std::int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    localtime_r(&t, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace corvantis
