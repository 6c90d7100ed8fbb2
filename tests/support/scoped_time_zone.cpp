#include "support/scoped_time_zone.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace corvantis::testing {

namespace {

// Sets TZ to `value`, or removes it when there is none, and makes the C library re-read it.
void ApplyTimeZone(const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable.
    const int failed = _putenv_s("TZ", value ? value->c_str() : "");
    _tzset();
#else
    const int failed = value ? setenv("TZ", value->c_str(), 1) : unsetenv("TZ");
    tzset();
#endif
    if (failed != 0) {
        throw std::runtime_error("cannot set TZ");
    }
}

}  // namespace

ScopedTimeZone::ScopedTimeZone(const std::string& posixZone, bool zoneDatabaseName) {
    if (const char* previous = std::getenv("TZ")) {
        m_previous = previous;
    }
    if (!zoneDatabaseName && posixZone.find('/') != std::string::npos) {
        throw std::invalid_argument("not a POSIX TZ value: " + posixZone);
    }
    ApplyTimeZone(posixZone);
}

ScopedTimeZone::~ScopedTimeZone() {
    try {
        ApplyTimeZone(m_previous);
    } catch (const std::runtime_error&) {
        // Nothing better to do in a destructor; the next test pins its own zone.
    }
}

}  // namespace corvantis::testing
