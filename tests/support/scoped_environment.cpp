#include "support/scoped_environment.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace corvantis::testing {

namespace {

// Sets `name` to `value`, or removes it when there is none; false when that fails.
bool SetVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable.
    return _putenv_s(name.c_str(), value ? value->c_str() : "") == 0;
#else
    return (value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str())) == 0;
#endif
}

void RereadTimeZone() {
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

const std::string& Checked(const std::string& zone, bool zoneDatabaseName) {
    if (!zoneDatabaseName && zone.find('/') != std::string::npos) {
        throw std::invalid_argument("not a POSIX TZ value: " + zone);
    }
    return zone;
}

}  // namespace

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value,
                                     std::function<void()> afterChange)
    : m_name(std::move(name)), m_afterChange(std::move(afterChange)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_previous = previous;
    }
    if (!SetVariable(m_name, value)) {
        throw std::runtime_error("cannot set " + m_name);
    }
    if (m_afterChange) {
        m_afterChange();
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    // Nothing better to do in a destructor when this fails; the next test pins its own value.
    SetVariable(m_name, m_previous);
    if (m_afterChange) {
        m_afterChange();
    }
}

ScopedTimeZone::ScopedTimeZone(const std::string& posixZone, bool zoneDatabaseName)
    : m_tz("TZ", Checked(posixZone, zoneDatabaseName), RereadTimeZone) {}

}  // namespace corvantis::testing
