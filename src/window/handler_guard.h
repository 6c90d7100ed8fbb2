// The one top-level guard of the program's timer ticks and event handlers.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace corvantis {

// Handlers deal with the failures they expect (SkipSilently, ReportAndGoOn). An exception
// that still escapes one is a fault: the guard logs it and the program keeps running, so one
// bad tick never ends an unattended program.
class HandlerGuard {
public:
    using Log = std::function<void(const std::string&)>;
    explicit HandlerGuard(Log log) : m_log(std::move(log)) {}

    // Runs `action` for the handler called `where`. An exception escaping it is logged as
    // "Unexpected failure in WHERE: WHAT (NUMBER); the program goes on." The same text from
    // the same handler is logged once until a run of that handler ends cleanly, so a tick that
    // fails ten times a second logs once. Never raises.
    void Run(const std::string& where, const std::function<void()>& action) noexcept;

private:
    void Report(const std::string& where, const std::string& what) noexcept;

    Log m_log;
    std::map<std::string, std::string> m_reported;  // handler -> text last logged
};

}  // namespace corvantis
