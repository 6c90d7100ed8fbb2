#include "platform/posix/posix_time_zone.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/failure.h"

namespace corvantis::posix {

namespace {

constexpr std::int64_t kScanStep = 1800;  // seconds
constexpr const char* kZoneInfoPrefix = "/usr/share/zoneinfo/";

// Sets TZ for the life of the object and puts the former value back.
class ZoneScope {
public:
    explicit ZoneScope(const std::optional<std::string>& zone) : m_active(zone.has_value()) {
        if (!m_active) {
            ::tzset();
            return;
        }
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone->c_str(), 1);
        ::tzset();
    }
    ~ZoneScope() {
        if (!m_active) {
            return;
        }
        if (m_old) {
            ::setenv("TZ", m_old->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    bool m_active;
    std::optional<std::string> m_old;
};

int OffsetAt(std::int64_t utc) {
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) {
        const int number = errno != 0 ? errno : EOVERFLOW;
        throw Failure(number, std::string("cannot read the time zone: ") + std::strerror(number));
    }
    return static_cast<int>(local.tm_gmtoff / 60);
}

}  // namespace

PosixTimeZone::PosixTimeZone(std::optional<std::string> zone) : m_zone(std::move(zone)) {}

std::string PosixTimeZone::Name() const {
    if (m_zone) {
        return *m_zone;
    }
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        return *tz == ':' ? tz + 1 : tz;
    }
    char target[PATH_MAX] = {};
    const ssize_t length = ::readlink("/etc/localtime", target, sizeof target - 1);
    if (length > 0) {
        std::string path(target, static_cast<std::size_t>(length));
        const std::size_t at = path.find(kZoneInfoPrefix);
        return at == std::string::npos ? path : path.substr(at + std::strlen(kZoneInfoPrefix));
    }
    return "the system's zone (/etc/localtime)";
}

std::vector<OffsetChange> PosixTimeZone::OffsetsBetween(std::int64_t fromUtc,
                                                        std::int64_t toUtc) const {
    ZoneScope scope(m_zone);
    std::vector<OffsetChange> changes{{fromUtc, OffsetAt(fromUtc)}};
    for (std::int64_t t = fromUtc; t < toUtc; t += kScanStep) {
        const std::int64_t next = std::min(t + kScanStep, toUtc);
        const int before = changes.back().offsetMinutes;
        const int after = OffsetAt(next);
        if (after == before) {
            continue;
        }
        // The change lies in (t, next]: find its first second.
        std::int64_t low = t;
        std::int64_t high = next;
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            (OffsetAt(middle) == before ? low : high) = middle;
        }
        if (high < toUtc) {
            changes.push_back({high, after});
        }
    }
    return changes;
}

}  // namespace corvantis::posix
