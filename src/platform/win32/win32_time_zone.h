// The PC's time zone as Windows keeps it (the dynamic zone, year by year).
#pragma once

#include "platform/time_zone.h"

namespace corvantis {

class Win32TimeZone : public TimeZone {
public:
    // The zone's key name ("Central Standard Time"), else its standard name.
    std::string Name() const override;

    // From GetTimeZoneInformationForYear for each year of the span: the bias, and the
    // daylight and standard dates in their "n-th weekday of the month" or absolute form.
    // Raises Failure (the Win32 error) when a year cannot be read.
    std::vector<OffsetChange> OffsetsBetween(std::int64_t fromUtc,
                                             std::int64_t toUtc) const override;
};

}  // namespace corvantis
