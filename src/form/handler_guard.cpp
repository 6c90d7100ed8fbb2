#include "form/handler_guard.h"

#include <exception>

#include "platform/failure.h"

namespace corvantis {

std::string DescribeException(const std::exception& exception) {
    if (const auto* failure = dynamic_cast<const Failure*>(&exception)) {
        return failure->description() + " (" + std::to_string(failure->number()) + ")";
    }
    return exception.what();
}

void ReportToView(const std::exception& exception,
                  const std::function<void(const std::exception&)>& hook,
                  StatusLine* line) noexcept {
    try {
        if (hook) {
            hook(exception);
            return;
        }
    } catch (...) {
        // The hook failed in turn: the warning line still says what went wrong first.
    }
    try {
        if (line != nullptr) {
            line->ShowWarning(DescribeException(exception));
        }
    } catch (...) {
        // Nothing is left to tell it with; the window goes on.
    }
}

void HandlerGuard::Run(const std::string& where, const std::function<void()>& action) noexcept {
    bool clean = false;
    CatchEverything(
        [&] {
            action();
            clean = true;
        },
        [&](const std::exception& failure) { Report(where, DescribeException(failure)); });
    if (clean && !m_reported.empty()) {
        m_reported.erase(where);
    }
}

void HandlerGuard::Report(const std::string& where, const std::string& what) noexcept {
    try {
        std::string& last = m_reported[where];
        if (last == what) {
            return;
        }
        last = what;
        if (m_log) {
            m_log("Unexpected failure in " + where + ": " + what + "; the program goes on.");
        }
    } catch (...) {
        // Out of memory while reporting: nothing more can be said.
    }
}

}  // namespace corvantis
