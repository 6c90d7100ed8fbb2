#include "app/win32/service_mode.h"

#include <windows.h>

#include <exception>
#include <iostream>
#include <mutex>
#include <ostream>
#include <streambuf>

#include "app/options.h"
#include "app/win32/win32_platform.h"
#include "corvantis_events.h"
#include "platform/failure.h"
#include "platform/instance_lock.h"
#include "platform/win32/win32_text.h"
#include "program/assembled_program.h"
#include "ui/console/console.h"
#include "ui/console/console_program.h"
#include "ui/console/event_log.h"

namespace corvantis {

namespace {

// What the service manager is told to wait for while the program starts and stops.
constexpr DWORD kStartHintMs = 15000;
constexpr DWORD kStopHintMs = 15000;

// One run of the service: what the control handler (on the dispatcher's thread) and the
// service's own thread share.
struct ServiceRun {
    std::wstring name;
    std::string settingsFolder;
    SERVICE_STATUS_HANDLE handle = nullptr;
    std::mutex lock;
    SERVICE_STATUS status{};
    HANDLE stopRequested = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE resumed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    int exitCode = 0;
};

ServiceRun g_run;

// Tells the service manager the state; callable from either thread.
void Report(DWORD state, DWORD waitHintMs = 0, int exitCode = 0) {
    const std::lock_guard<std::mutex> guard(g_run.lock);
    SERVICE_STATUS& status = g_run.status;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING
                                    ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                                          SERVICE_ACCEPT_PRESHUTDOWN | SERVICE_ACCEPT_POWEREVENT
                                    : 0;
    status.dwWin32ExitCode = exitCode == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = static_cast<DWORD>(exitCode);
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
    status.dwWaitHint = waitHintMs;
    SetServiceStatus(g_run.handle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD eventType, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
        case SERVICE_CONTROL_PRESHUTDOWN:
            Report(SERVICE_STOP_PENDING, kStopHintMs);
            SetEvent(g_run.stopRequested);
            return NO_ERROR;
        case SERVICE_CONTROL_POWEREVENT:
            if (eventType == PBT_APMRESUMEAUTOMATIC || eventType == PBT_APMRESUMESUSPEND) {
                SetEvent(g_run.resumed);
            }
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// A stream that takes everything and keeps nothing: the service has no console for its
// per-message lines.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// How the service tells its standing concerns: each sentence as an event of its own; the
// not-sending notice on the warning line (an event with the reasons) and in the unread log.
ProgramVoices ServiceVoices(SystemEventLog& events, StatusLine& status, EventLog& log) {
    ProgramVoices voices;
    voices.notSending = [&status, &log](const std::string& notice) {
        SayNotSending(notice, status, log);
    };
    voices.rules = [&events](const std::string& text) {
        if (!text.empty()) {
            events.Write(SystemEvent::RulesDiffer, {text});
        }
    };
    voices.clockSync = [&events](const std::string& text) {
        if (!text.empty()) {
            events.Write(SystemEvent::ClockNotSynchronised, {text});
        }
    };
    return voices;
}

// The program itself, on this thread, until "Close and Exit" ends its loop; its status.json,
// for --status and monitoring, beside its settings.
int RunProgram(const std::string& settingsFolder, SystemEventLog& events) {
    Win32Platform platform;
    EventLogMessageDialog dialog(events);
    EventLogStatusLine status(events);
    HeadlessHost host([&platform] { platform.loop.Quit(0); });
    NullBuffer nothing;
    std::ostream out(&nothing);
    EventLog log(out);
    Window window;
    AssembledProgram assembled({platform.System(),
                                {window, dialog, status, host},
                                DescribeProgram(settingsFolder),
                                {"service", static_cast<std::int64_t>(GetCurrentProcessId())},
                                "",
                                LogTap(log)});
    const auto stop = platform.loop.Watch(g_run.stopRequested,
                                          [&window] { window.closeAndExit.OperatorClick(); });
    const auto resume =
        platform.loop.Watch(g_run.resumed, [&platform] { platform.timers.Realign(); });
    const int code = assembled.Run(ServiceVoices(events, status, log), [&] {
        Report(SERVICE_RUNNING);
        events.Write(SystemEvent::ServiceStarted, {Narrow(g_run.name), settingsFolder});
        return platform.loop.Run();
    });
    platform.loop.Unwatch(stop);
    platform.loop.Unwatch(resume);
    return code;
}

// Runs the program unless another one holds the folder; each failure to run becomes an event.
int RunOnFolder(SystemEventLog& events) {
    const std::string name = Narrow(g_run.name);
    try {
        if (GetFileAttributesW(Widen(g_run.settingsFolder).c_str()) == INVALID_FILE_ATTRIBUTES) {
            PrepareServiceFolder(g_run.settingsFolder);
        }
        const InstanceLock lock(g_run.settingsFolder, InstanceMode::Headless);
        if (!lock.Held()) {
            events.Write(SystemEvent::ServiceFailed, {name, lock.Refusal(g_run.settingsFolder)});
            return kExitAlreadyRunning;
        }
        const int code = RunProgram(g_run.settingsFolder, events);
        events.Write(SystemEvent::ServiceStopped, {name});
        return code;
    } catch (const std::exception& failure) {
        events.Write(SystemEvent::ServiceFailed, {name, failure.what()});
    } catch (...) {
        events.Write(SystemEvent::ServiceFailed, {name, "an unknown failure"});
    }
    return 1;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    g_run.handle = RegisterServiceCtrlHandlerExW(g_run.name.c_str(), &Control, nullptr);
    if (g_run.handle == nullptr) {
        g_run.exitCode = 1;
        return;
    }
    Report(SERVICE_START_PENDING, kStartHintMs);
    SystemEventLog events;
    g_run.exitCode = RunOnFolder(events);
    Report(SERVICE_STOPPED, 0, g_run.exitCode);
}

}  // namespace

unsigned long EventMessageId(SystemEvent event) {
    switch (event) {
        case SystemEvent::ServiceStarted:
            return CORVANTIS_SERVICE_STARTED;
        case SystemEvent::ServiceStopped:
            return CORVANTIS_SERVICE_STOPPED;
        case SystemEvent::ServiceFailed:
            return CORVANTIS_SERVICE_FAILED;
        case SystemEvent::SendingStopped:
            return CORVANTIS_SENDING_STOPPED;
        case SystemEvent::SendingResumed:
            return CORVANTIS_SENDING_RESUMED;
        case SystemEvent::PortLost:
            return CORVANTIS_PORT_LOST;
        case SystemEvent::PortBack:
            return CORVANTIS_PORT_BACK;
        case SystemEvent::SettingRefused:
            return CORVANTIS_SETTING_REFUSED;
        case SystemEvent::RulesDiffer:
            return CORVANTIS_RULES_DIFFER;
        case SystemEvent::ClockNotSynchronised:
            return CORVANTIS_CLOCK_NOT_SYNCHRONISED;
        case SystemEvent::Fault:
            return CORVANTIS_FAULT;
        case SystemEvent::Warning:
            break;
    }
    return CORVANTIS_WARNING;
}

void SystemEventLog::Write(SystemEvent event, const std::vector<std::string>& inserts) {
    if (event == m_lastEvent && inserts == m_lastInserts) {
        return;
    }
    m_lastEvent = event;
    m_lastInserts = inserts;
    m_writer.Write(EventMessageId(event), inserts);
}

void EventLogStatusLine::ShowWarning(const std::string& text) {
    if (!text.empty()) {
        m_log.Write(ClassifyWarning(text), {text});
    }
}

void EventLogMessageDialog::Show(const std::string& text, const std::string& title, MessageIcon) {
    m_log.Write(SystemEvent::Warning, {title + ": " + text});
}

int RunService(const std::string& name, const std::string& settingsFolder) {
    g_run.name = Widen(name);
    g_run.settingsFolder = settingsFolder;
    SERVICE_TABLE_ENTRYW table[] = {{g_run.name.data(), &ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        std::cerr << "--service " << name
                  << " is how the service manager runs the service; start it with: sc start "
                  << name << " (register it first with --install-service " << name << ")"
                  << std::endl;
        return 2;
    }
    return g_run.exitCode;
}

std::string ServiceHoldsFolderNotice(const InstalledService& service) {
    return "The Windows service \"" + service.name + "\" runs Corvantis on these settings (" +
           service.settingsFolder +
           ") and holds the clocks' serial port, so this copy does not start.\n"
           "Service state: " +
           service.state +
           ". Its warnings and errors are in the Event Log (source Corvantis).\n"
           "To use the window on these settings, stop the service first: sc stop " +
           service.name;
}

}  // namespace corvantis
