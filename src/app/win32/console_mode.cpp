#include "app/win32/console_mode.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/win32_queued_output.h"
#include "program/assembled_program.h"
#include "program/rule_check_report.h"
#include "ui/console/console.h"
#include "ui/console/console_program.h"
#include "ui/console/event_log.h"

namespace corvantis {

namespace {

// Whether `handle` leads to a console, pipe, file or device.
bool Usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Points the C and C++ streams at the console just attached or opened.
void ReopenStreamsOnConsole() {
    FILE* ignored = nullptr;
    if (!Usable(GetStdHandle(STD_INPUT_HANDLE))) {
        freopen_s(&ignored, "CONIN$", "r", stdin);
    }
    if (!Usable(GetStdHandle(STD_OUTPUT_HANDLE))) {
        freopen_s(&ignored, "CONOUT$", "w", stdout);
    }
    if (!Usable(GetStdHandle(STD_ERROR_HANDLE))) {
        freopen_s(&ignored, "CONOUT$", "w", stderr);
    }
    std::ios::sync_with_stdio(true);
    std::cout.clear();
    std::cerr.clear();
    std::cin.clear();
}

ConsoleControl* g_control = nullptr;

}  // namespace

bool UseParentConsole(bool allocateIfNone) {
    if (Usable(GetStdHandle(STD_OUTPUT_HANDLE)) && Usable(GetStdHandle(STD_ERROR_HANDLE))) {
        return true;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS) || (allocateIfNone && AllocConsole())) {
        // The handles inherited from a parent with a console may be stale; the console
        // gives fresh ones where they are missing.
        if (!Usable(GetStdHandle(STD_OUTPUT_HANDLE))) {
            SetStdHandle(STD_OUTPUT_HANDLE,
                         CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        }
        if (!Usable(GetStdHandle(STD_ERROR_HANDLE))) {
            SetStdHandle(STD_ERROR_HANDLE, GetStdHandle(STD_OUTPUT_HANDLE));
        }
        if (!Usable(GetStdHandle(STD_INPUT_HANDLE))) {
            SetStdHandle(STD_INPUT_HANDLE,
                         CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        }
        ReopenStreamsOnConsole();
    }
    return Usable(GetStdHandle(STD_OUTPUT_HANDLE));
}

struct ConsoleInput::Shared {
    std::mutex lock;
    std::string pending;
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Shared() { CloseHandle(ready); }
};

ConsoleInput::ConsoleInput(Win32EventLoop& loop, std::function<void(std::string_view)> onBytes)
    : m_loop(loop), m_onBytes(std::move(onBytes)), m_shared(std::make_shared<Shared>()) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!Usable(input) || m_shared->ready == nullptr) {
        return;
    }
    m_watch = m_loop.Watch(m_shared->ready, [this] {
        std::string bytes;
        {
            const std::lock_guard<std::mutex> guard(m_shared->lock);
            bytes.swap(m_shared->pending);
        }
        if (!bytes.empty()) {
            m_onBytes(bytes);
        }
    });
    // The helper owns a share of the buffer, so it may outlive this object: it can stay
    // blocked in a read until the process ends.
    std::thread([shared = m_shared, input] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            {
                const std::lock_guard<std::mutex> guard(shared->lock);
                // A reader that falls far behind loses the oldest words, not memory.
                if (shared->pending.size() < (1u << 20)) {
                    shared->pending.append(buffer, got);
                }
            }
            SetEvent(shared->ready);
        }
    }).detach();
}

ConsoleInput::~ConsoleInput() {
    m_loop.Unwatch(m_watch);
}

ConsoleControl::ConsoleControl(Win32EventLoop& loop, std::function<void()> onClose)
    : m_loop(loop),
      m_onClose(std::move(onClose)),
      m_closeRequested(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_finished(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_watch = m_loop.Watch(m_closeRequested, [this] { m_onClose(); });
    g_control = this;
    SetConsoleCtrlHandler(&ConsoleControl::Handler, TRUE);
}

ConsoleControl::~ConsoleControl() {
    Finished();
    SetConsoleCtrlHandler(&ConsoleControl::Handler, FALSE);
    g_control = nullptr;
    m_loop.Unwatch(m_watch);
    CloseHandle(m_closeRequested);
    // m_finished stays open: a close event may still be waiting on it while the process
    // ends.
}

void ConsoleControl::Finished() {
    SetEvent(m_finished);
}

BOOL WINAPI ConsoleControl::Handler(DWORD event) {
    ConsoleControl* control = g_control;
    if (control == nullptr) {
        return FALSE;
    }
    SetEvent(control->m_closeRequested);
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            return TRUE;
        default:
            WaitForSingleObject(control->m_finished, kCloseWaitMs);
            return TRUE;
    }
}

int RunConsole(const ProgramInfo& info, Win32Platform& platform, const Options& options) {
    // No log or warning line can hold up the clocks: a reader that stalls costs lines (counted),
    // one that goes away ends the logging, never the program.
    const QueuedStandardStreams streams;
    StderrMessageDialog dialog;
    StderrStatusLine status;
    HeadlessHost host([&platform] { platform.loop.Quit(0); });
    EventLog log(std::cout);
    Window window;
    AssembledProgram assembled({platform.System(),
                                {window, dialog, status, host},
                                info,
                                {"headless", static_cast<std::int64_t>(GetCurrentProcessId())},
                                options.metricsFile.value_or(""),
                                LogTap(log)});
    BeginLog(log, window, assembled.Settings(), options.logMessages);
    OperatorLines lines(window, std::cerr);
    ConsoleInput input(platform.loop, [&lines](std::string_view bytes) { lines.Feed(bytes); });
    ConsoleControl control(platform.loop, [&window] { window.closeAndExit.OperatorClick(); });
    const int code = assembled.Run(ConsoleVoices(window, status, log),
                                   [&platform] { return platform.loop.Run(); });
    log.WriteStopped();
    std::cout.flush();
    std::cerr.flush();
    return code;
}

int RunRuleCheck(const ProgramInfo& info, Win32Platform& platform, int years) {
    StderrStatusLine status;
    SettingsFiles settings(platform.profile, status, info.settingsFolder);
    const int code =
        PrintRuleCheck(settings, platform.clock, platform.zone, years, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    return code;
}

}  // namespace corvantis
