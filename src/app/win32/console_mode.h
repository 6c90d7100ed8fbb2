// corvantis.exe in a console: the standard streams, operator words and console control
// events (Ctrl+C, Ctrl+Break, closing the console).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/options.h"
#include "app/win32/win32_platform.h"
#include "platform/program_info.h"

namespace corvantis {

// Gives this GUI program the standard streams of its parent: handles the parent handed
// down (a pipe, a file) are kept as they are; otherwise the parent's console is attached.
// With `allocateIfNone` a console of its own is opened when the parent has none. Returns
// whether standard output now leads somewhere.
bool UseParentConsole(bool allocateIfNone);

// Reads standard input on a helper thread that does nothing else, and hands each chunk of
// bytes to `onBytes` on the loop's thread. The end of input (or a read error) ends the
// helper; the program goes on. The helper never touches the model.
class ConsoleInput {
public:
    ConsoleInput(Win32EventLoop& loop, std::function<void(std::string_view)> onBytes);
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    struct Shared;

private:
    Win32EventLoop& m_loop;
    std::function<void(std::string_view)> m_onBytes;
    std::shared_ptr<Shared> m_shared;
    Win32EventLoop::WatchId m_watch = 0;
};

// Turns the console's control events into one call of `onClose` on the loop's thread, as
// "Close and Exit" is to run. Ctrl+C and Ctrl+Break return at once; closing the console (and
// log-off or shut-down) waits, up to kCloseWaitMs, for Finished, because the system ends the
// process as soon as the handler returns. One object at a time per process.
class ConsoleControl {
public:
    static constexpr DWORD kCloseWaitMs = 4500;

    ConsoleControl(Win32EventLoop& loop, std::function<void()> onClose);
    ~ConsoleControl();
    ConsoleControl(const ConsoleControl&) = delete;
    ConsoleControl& operator=(const ConsoleControl&) = delete;

    // Says the program has finished closing; a waiting close event may now return.
    void Finished();

    // The handler given to SetConsoleCtrlHandler (the system calls it on a thread of its
    // own). TRUE: the event is taken.
    static BOOL WINAPI Handler(DWORD event);

private:
    Win32EventLoop& m_loop;
    std::function<void()> m_onClose;
    HANDLE m_closeRequested;
    HANDLE m_finished;
    Win32EventLoop::WatchId m_watch = 0;
};

// Runs the program headless: events logged on standard output, problems on standard
// error, operator words from standard input; the status kept in the settings folder and in
// `options.metricsFile` when given; --log-messages logs every clock message. Returns the
// process exit code.
int RunConsole(const ProgramInfo& info, Win32Platform& platform, const Options& options);

// --check-rules: prints the stored display rules compared with this PC's time zone for `years`
// years and returns 0 when they agree, 1 when they do not, 2 when there was no check.
int RunRuleCheck(const ProgramInfo& info, Win32Platform& platform, int years);

}  // namespace corvantis
