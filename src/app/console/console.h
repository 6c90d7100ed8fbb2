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

// Message boxes become one line on standard error: "<title>: <text>".
class StderrMessageDialog : public MessageDialog {
public:
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
};

// Each warning is printed as one line "warning: <text>" on `out` (standard error unless
// given). A text equal to the last one printed is not printed again, so a caller that repeats
// itself costs one line; empty text prints nothing and ends the last warning. Each new episode of a
// problem (its callers warn once as it begins and once as it ends) is printed again.
class StderrStatusLine : public StatusLine {
public:
    StderrStatusLine() : StderrStatusLine(std::cerr) {}
    explicit StderrStatusLine(std::ostream& out) : m_out(out) {}
    void ShowWarning(const std::string& text) override;

private:
    std::ostream& m_out;
    std::string m_last;
};

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
