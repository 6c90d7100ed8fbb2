#include "window/handler_guard.h"

#include <exception>

#include "platform/failure.h"

namespace corvantis {

std::string DescribeException(const std::exception& exception) {
    if (const auto* failure = dynamic_cast<const Failure*>(&exception)) {
        return failure->description() + " (" + std::to_string(failure->number()) + ")";
    }
    return exception.what();
}

void HandlerGuard::Run(const std::string& where, const std::function<void()>& action) noexcept {
    try {
        action();
        if (!m_reported.empty()) {
            m_reported.erase(where);
        }
    } catch (const std::exception& failure) {
        Report(where, DescribeException(failure));
    } catch (...) {
        Report(where, DescribeException(UnknownException{}));
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
