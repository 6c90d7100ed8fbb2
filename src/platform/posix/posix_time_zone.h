// A time zone through the C library: the zone TZ names, or /etc/localtime without TZ.
#pragma once

#include <optional>
#include <string>

#include "platform/time_zone.h"

namespace corvantis::posix {

class PosixTimeZone : public TimeZone {
public:
    // The PC's own zone (TZ, else /etc/localtime) without `zone`; otherwise the zone `zone`
    // names, as TZ would ("Europe/Berlin", "CST6CDT,M3.2.0,M11.1.0").
    explicit PosixTimeZone(std::optional<std::string> zone = std::nullopt);

    std::string Name() const override;

    // Reads the offsets by the C library's localtime_r, looking every half hour and finding
    // each change to the second; a change that is undone within half an hour can be missed.
    // While it runs, TZ is set to the zone (and put back after), so it must not run beside
    // other threads that read the local time.
    std::vector<OffsetChange> OffsetsBetween(std::int64_t fromUtc,
                                             std::int64_t toUtc) const override;

private:
    std::optional<std::string> m_zone;
};

}  // namespace corvantis::posix
