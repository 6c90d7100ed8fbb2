// The one top-level guard of the program's timer ticks and event handlers.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <string>

#include "platform/status_line.h"

namespace corvantis {

// Stands for something thrown that is not a std::exception.
class UnknownException : public std::exception {
public:
    const char* what() const noexcept override { return "an exception of unknown type"; }
};

// The words for an exception that escaped a handler: a Failure's description with its number
// in brackets ("Port is not open (8012)"), any other exception's what().
std::string DescribeException(const std::exception& exception);

// Runs `action`; whatever it throws is handed to `report` as a std::exception (an
// UnknownException for anything else). Raises only what `report` raises.
template <typename Action, typename Report>
void CatchEverything(Action&& action, Report&& report) {
    try {
        std::forward<Action>(action)();
    } catch (const std::exception& exception) {
        report(exception);
    } catch (...) {
        report(UnknownException{});
    }
}

// A view's report of an operator action's escaped exception: to `hook` when set, else (or
// when the hook throws in turn) on `line`, in DescribeException's words. Never raises.
void ReportToView(const std::exception& exception,
                  const std::function<void(const std::exception&)>& hook,
                  StatusLine* line) noexcept;

// Handlers deal with the failures they expect (SkipSilently, ReportAndGoOn). An exception
// that still escapes one is a fault: the guard logs it and the program keeps running, so one
// bad tick never ends an unattended program.
class HandlerGuard {
public:
    using Log = std::function<void(const std::string&)>;
    explicit HandlerGuard(Log log) : m_log(std::move(log)) {}

    // Runs `action` for the handler called `where`. An exception escaping it is logged as
    // "Unexpected failure in WHERE: " + DescribeException + "; the program goes on." The same
    // text from the same handler is logged once until a run of that handler ends cleanly, so a
    // tick that fails ten times a second logs once. Never raises.
    void Run(const std::string& where, const std::function<void()>& action) noexcept;

private:
    void Report(const std::string& where, const std::string& what) noexcept;

    Log m_log;
    std::map<std::string, std::string> m_reported;  // handler -> text last logged
};

}  // namespace corvantis
