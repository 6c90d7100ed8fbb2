// Running without a display: the same program, its dialogs and warnings on the standard
// streams, operator commands as words on standard input, SIGINT/SIGTERM as "Close and Exit".
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <set>
#include <string>

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

// Each distinct warning is printed once on standard error.
class StderrStatusLine : public StatusLine {
public:
    void ShowWarning(const std::string& text) override;

private:
    std::set<std::string> m_shown;
};

class HeadlessHost : public WindowHost {
public:
    void ShowWindow() override {}
    void RemoveNotifyIcon() override {}
    void UnloadWindow() override {}
    void EndProgram() override;
};

// Reads operator words from standard input, one a line, and runs their buttons' handlers.
// The end of input changes nothing: the program keeps running.
class StdinCommands : public QObject {
public:
    explicit StdinCommands(Window& w);

private:
    void ReadAvailable();

    Window& m_window;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::string m_pending;
};

}  // namespace corvantis
