// Failures raised by operations, and the two ways callers deal with them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace corvantis {

class MessageDialog;

// An error raised by an operation: a number and a description a person can act on.
// Operations that can fail document the numbers they raise; callers pick one of the
// rules below instead of catching by hand.
class Failure : public std::runtime_error {
public:
    Failure(int number, std::string description)
        : std::runtime_error(description),
          m_number(number),
          m_description(std::move(description)) {}

    int number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }

private:
    int m_number;
    std::string m_description;
};

// Error numbers raised by the core. Port errors live with the port (serial_port.h).
namespace error {
inline constexpr int kOverflow = 6;                 // number outside the target's range
inline constexpr int kTypeMismatch = 13;            // text that does not read as a number
inline constexpr int kNeverShown = 126;             // passed over by every report rule
inline constexpr int kInvalidPropertyValue = 380;   // value a control refuses
inline constexpr int kUnsupportedValueType = 1001;  // registry value of an unknown type
}  // namespace error

// The place of a call in the source. Filled by the compiler's __builtin_FILE, __builtin_LINE
// and __builtin_FUNCTION as default arguments, which every compiler the program is built with
// knows (std::source_location is missing from some of them).
struct CallSite {
    const char* file;
    int line;
    const char* function;
};

// Where the failures that SkipSilently passes over go: nowhere unless a tracer is set (a
// program's --verbose). The tracer gets the failure and the place of the SkipSilently call.
using SkipTracer = std::function<void(const Failure&, const CallSite&)>;
void SetSkipTracer(SkipTracer tracer);
void TraceSkipped(const Failure& failure, const CallSite& where);

// The tracer's line for one skipped failure: "skipped at FILE:LINE in FUNCTION: DESCRIPTION
// (NUMBER)", FILE without its folders.
std::string SkippedLine(const Failure& failure, const CallSite& where);

// Runs `action`; a Failure it raises ends the action and is dropped without a trace on
// screen (see SetSkipTracer). Returns true when the action ran to its end. The last three
// arguments name the caller; leave them out.
template <typename Action>
bool SkipSilently(Action&& action, const char* file = __builtin_FILE(), int line = __builtin_LINE(),
                  const char* function = __builtin_FUNCTION()) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const Failure& failure) {
        TraceSkipped(failure, CallSite{file, line, function});
        return false;
    }
}

// Shows `failure` the way every trapping handler does: a critical message box whose text is
// the description and whose title is the number in decimal. Number 126 is never shown.
void ReportFailure(MessageDialog& dialog, const Failure& failure);

// Runs `action`; a Failure it raises abandons the action and is reported with ReportFailure,
// then the caller goes on. Returns true when the action ran to its end.
template <typename Action>
bool ReportAndGoOn(MessageDialog& dialog, Action&& action) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const Failure& failure) {
        ReportFailure(dialog, failure);
        return false;
    }
}

}  // namespace corvantis
