// Environment variables and the C library's time zone, pinned for the life of one object.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace corvantis::testing {

// Sets the variable `name` to `value` (removes it for nothing); the destructor puts the
// previous value back, or removes the variable when it was not set. `afterChange` runs after
// each of the two changes.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value,
                      std::function<void()> afterChange = {});
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
    std::function<void()> m_afterChange;
};

// Sets TZ to `posixZone` and re-reads it (tzset, _tzset on Windows); the destructor puts the
// previous TZ back and re-reads again.
//
// `posixZone` is a POSIX TZ value with explicit rules, e.g. "CST6CDT,M3.2.0,M11.1.0", so that
// it means the same with or without a zone database. Zone names such as "America/Chicago" are
// not accepted: the Windows C runtime misreads them. That runtime reads only the names and
// the offset and applies the United States rules of daylight saving whatever rules follow,
// so a zone with daylight saving must keep the United States rules to mean the same on both
// platforms. Only the C library follows TZ at run time; the Win32 time zone is fixed when the
// process starts. Tests of POSIX code alone may pass `zoneDatabaseName` to allow names.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& posixZone, bool zoneDatabaseName = false);

private:
    ScopedEnvironment m_tz;
};

}  // namespace corvantis::testing
