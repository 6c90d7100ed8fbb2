// Running without a window, on any OS: dialogs and warnings on the standard streams, the end
// of the program handed to the event loop, and operator words read from a byte stream.
#pragma once

#include <cstddef>
#include <functional>
#include <iostream>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/message_dialog.h"
#include "platform/status_line.h"
#include "platform/window_host.h"

namespace corvantis {

class Window;

// With `journalPriorities`, each line a class below writes starts with its syslog priority as
// the journal reads it from a service's streams ("<3>" error, "<4>" warning), so that
// `journalctl -p warning` finds exactly the warnings and errors.
inline constexpr const char* kJournalError = "<3>";
inline constexpr const char* kJournalWarning = "<4>";

// Message boxes become one line on standard error: "<title>: <text>"; a critical box is an
// error, every other one a warning.
class StderrMessageDialog : public MessageDialog {
public:
    explicit StderrMessageDialog(bool journalPriorities = false)
        : m_priorities(journalPriorities) {}
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    bool m_priorities;
};

// Each warning is printed as one line "warning: <text>" on `out` (standard error unless
// given). A text equal to the last one printed is not printed again, so a caller that repeats
// itself costs one line; empty text prints nothing and ends the last warning. Each new episode of a
// problem (its callers warn once as it begins and once as it ends) is printed again.
class StderrStatusLine : public StatusLine {
public:
    explicit StderrStatusLine(bool journalPriorities = false)
        : StderrStatusLine(std::cerr, journalPriorities) {}
    explicit StderrStatusLine(std::ostream& out, bool journalPriorities = false)
        : m_out(out), m_priorities(journalPriorities) {}
    void ShowWarning(const std::string& text) override;

private:
    std::ostream& m_out;
    bool m_priorities;
    std::string m_last;
};

// Shows each warning text on `status` that is not empty: the standing warnings' report of a
// change, for a program whose warning line is standard error.
std::function<void(const std::string&)> ShowNonEmpty(StatusLine& status);

// No window to show or unload; ending the program asks the event loop to quit.
class HeadlessHost : public WindowHost {
public:
    explicit HeadlessHost(std::function<void()> quitLoop) : m_quitLoop(std::move(quitLoop)) {}
    void ShowWindow() override {}
    void RemoveNotifyIcon() override {}
    void UnloadWindow() override {}
    void EndProgram() override { m_quitLoop(); }

private:
    std::function<void()> m_quitLoop;
};

// Cuts the bytes of standard input into lines and runs each as an operator word. Whatever
// arrives, its memory and work stay bounded: a line longer than kMaxLineLength is dropped
// whole (with one answer when its end comes), each byte is looked at once, and the answers to
// unknown words show control bytes escaped, never raw.
class OperatorLines {
public:
    static constexpr std::size_t kMaxLineLength = 256;

    // `answers` receives one line per unknown word or overlong line.
    OperatorLines(Window& w, std::ostream& answers) : m_window(w), m_answers(answers) {}

    // Feeds the next bytes read; runs every line they complete.
    void Feed(std::string_view bytes);

private:
    void EndLine();

    Window& m_window;
    std::ostream& m_answers;
    std::string m_line;
    bool m_overlong = false;
};

}  // namespace corvantis
