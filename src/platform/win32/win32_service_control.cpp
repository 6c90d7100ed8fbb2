#include "platform/win32/win32_service_control.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <memory>
#include <thread>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_event_source.h"
#include "platform/win32/win32_text.h"

namespace corvantis {

namespace {

using namespace std::chrono_literals;

// How long a removal waits for a running service to stop.
constexpr auto kStopWait = 30s;
// The pause before the manager restarts a failed service, and the day after which the count
// of failures starts again.
constexpr DWORD kRestartDelayMs = 5000;
constexpr DWORD kFailureCountResetS = 24 * 60 * 60;
// How long the service may take to close at shut-down (it stores the settings files).
constexpr DWORD kPreshutdownTimeoutMs = 15000;

// The folder's access: protected (nothing inherited), full control to the local system
// account and administrators, read and execute to users; each inherited by files and folders.
const wchar_t kFolderAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

const char kNeedsAdministrator[] =
    " needs administrator rights: run it from a command prompt opened with \"Run as "
    "administrator\". Nothing was changed.";

struct ScHandleCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ScHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScHandleCloser>;

std::string LastErrorText() {
    return SystemErrorText(GetLastError());
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

std::string StateName(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED:
            return "stopped";
        case SERVICE_START_PENDING:
            return "starting";
        case SERVICE_STOP_PENDING:
            return "stopping";
        case SERVICE_RUNNING:
            return "running";
        case SERVICE_PAUSED:
        case SERVICE_PAUSE_PENDING:
        case SERVICE_CONTINUE_PENDING:
            return "paused";
        default:
            return "unknown";
    }
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + Widen(text) + L"\"";
}

// The description the services list shows.
std::wstring Description(const std::string& folder) {
    return L"Sets Vesper wall clocks from this PC's clock over a serial line, from start-up "
           L"on, before anyone logs on. Settings: " +
           Widen(folder);
}

// Restart after each failure, also a stop with an error; the outcome of each call is kept
// only as far as the service manager takes it (older managers lack the flag).
void ConfigureService(SC_HANDLE service, const std::string& folder) {
    std::wstring description = Description(folder);
    SERVICE_DESCRIPTIONW text{description.data()};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &text)) {
        throw Failure(static_cast<int>(GetLastError()),
                      "Cannot set the description: " + LastErrorText());
    }
    SC_ACTION restarts[3] = {{SC_ACTION_RESTART, kRestartDelayMs},
                             {SC_ACTION_RESTART, kRestartDelayMs},
                             {SC_ACTION_RESTART, kRestartDelayMs}};
    SERVICE_FAILURE_ACTIONSW actions{};
    actions.dwResetPeriod = kFailureCountResetS;
    actions.cActions = 3;
    actions.lpsaActions = restarts;
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions)) {
        throw Failure(static_cast<int>(GetLastError()),
                      "Cannot set the restart after a failure: " + LastErrorText());
    }
    SERVICE_FAILURE_ACTIONS_FLAG onErrors{TRUE};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrors);
    SERVICE_PRESHUTDOWN_INFO preshutdown{kPreshutdownTimeoutMs};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown);
}

ScHandle OpenManager(DWORD access) {
    return ScHandle(OpenSCManagerW(nullptr, nullptr, access));
}

// Waits for `service` to reach SERVICE_STOPPED; false when kStopWait passes first.
bool WaitStopped(SC_HANDLE service) {
    const auto end = std::chrono::steady_clock::now() + kStopWait;
    SERVICE_STATUS status{};
    while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(200ms);
    }
    return true;
}

std::optional<std::wstring> ServiceCommand(SC_HANDLE service) {
    DWORD needed = 0;
    QueryServiceConfigW(service, nullptr, 0, &needed);
    if (needed == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service, config, needed, &needed) ||
        config->lpBinaryPathName == nullptr) {
        return std::nullopt;
    }
    return std::wstring(config->lpBinaryPathName);
}

std::optional<InstalledService> Describe(SC_HANDLE manager, const std::wstring& name) {
    const ScHandle service(
        OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service) {
        return std::nullopt;
    }
    const auto command = ServiceCommand(service.get());
    if (!command) {
        return std::nullopt;
    }
    auto found = ReadServiceCommand(Narrow(name), *command);
    SERVICE_STATUS status{};
    if (found && QueryServiceStatus(service.get(), &status)) {
        found->state = StateName(status.dwCurrentState);
        found->active = status.dwCurrentState != SERVICE_STOPPED;
    }
    return found;
}

// Removes the event source when no Corvantis service but `removed` (which may still be listed
// until its last handle closes) is left to write under it.
void RemoveEventSourceWhenUnused(const std::string& removed) {
    const auto services = CorvantisServices();
    const std::wstring gone = Lower(Widen(removed));
    if (std::all_of(services.begin(), services.end(), [&](const InstalledService& service) {
            return Lower(Widen(service.name)) == gone;
        })) {
        try {
            RemoveEventSource();
        } catch (const Failure&) {
            // The key stays; it names only the program's own messages.
        }
    }
}

}  // namespace

bool RunningAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) {
        member = FALSE;
    }
    FreeSid(administrators);
    return member != FALSE;
}

std::string DefaultServiceFolder(const std::string& name) {
    wchar_t* programData = nullptr;
    std::wstring base = L"C:\\ProgramData";
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &programData))) {
        base = programData;
    }
    CoTaskMemFree(programData);
    return Narrow(base) + "\\Corvantis\\" + name;
}

std::string FullPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    full.resize(length);
    // A drive's root keeps its separator ("C:\"); any other folder loses it.
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) {
        full.pop_back();
    }
    return Narrow(full);
}

bool ValidServiceName(const std::string& name) {
    if (name.empty() || name.size() > 80) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || c == '"' || static_cast<unsigned char>(c) < 0x20;
    });
}

void PrepareServiceFolder(const std::string& folder) {
    const std::wstring wide = Widen(folder);
    const int made = SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        throw Failure(made,
                      "Cannot create " + folder + ": " + SystemErrorText(static_cast<DWORD>(made)));
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderAccess, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        throw Failure(static_cast<int>(GetLastError()), "Cannot build the folder's access");
    }
    // The named form carries the access to the files already in the folder; the plain form
    // then sets it on the folder itself, which a system without inheritance (wine maps it to
    // the Unix mode) takes as well.
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD flags = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    DWORD code = SetNamedSecurityInfoW(const_cast<wchar_t*>(wide.c_str()), SE_FILE_OBJECT, flags,
                                       nullptr, nullptr, dacl, nullptr);
    if (code == ERROR_SUCCESS && !SetFileSecurityW(wide.c_str(), flags, descriptor)) {
        code = GetLastError();
    }
    LocalFree(descriptor);
    if (code != ERROR_SUCCESS) {
        throw Failure(static_cast<int>(code),
                      "Cannot set the access of " + folder + ": " + SystemErrorText(code));
    }
}

std::string FolderAccessText(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(Widen(folder).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t* text = nullptr;
    std::string result;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        result = Narrow(text);
        LocalFree(text);
    }
    LocalFree(descriptor);
    return result;
}

std::optional<InstalledService> ReadServiceCommand(const std::string& name,
                                                   const std::wstring& command) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(command.c_str(), &count);
    if (words == nullptr) {
        return std::nullopt;
    }
    const std::vector<std::wstring> arguments(words, words + count);
    LocalFree(words);
    if (arguments.empty()) {
        return std::nullopt;
    }
    const std::wstring program = Lower(arguments[0]);
    const std::wstring exe = L"corvantis.exe";
    if (program.size() < exe.size() ||
        program.compare(program.size() - exe.size(), exe.size(), exe) != 0) {
        return std::nullopt;
    }
    InstalledService found;
    found.name = name;
    bool service = false;
    for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == L"--service") {
            service = true;
        } else if (arguments[i] == L"--settings-dir") {
            found.settingsFolder = FullPath(Narrow(arguments[i + 1]));
        }
    }
    if (!service) {
        return std::nullopt;
    }
    if (found.settingsFolder.empty()) {
        found.settingsFolder = DefaultServiceFolder(name);
    }
    found.state = "unknown";
    return found;
}

std::vector<InstalledService> CorvantisServices() {
    std::vector<InstalledService> found;
    const ScHandle manager = OpenManager(SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
    if (!manager) {
        return found;
    }
    DWORD needed = 0, count = 0, resume = 0;
    EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                          nullptr, 0, &needed, &count, &resume, nullptr);
    std::vector<unsigned char> buffer(needed + 1024);
    resume = 0;
    if (!EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32,
                               SERVICE_STATE_ALL, buffer.data(), static_cast<DWORD>(buffer.size()),
                               &needed, &count, &resume, nullptr)) {
        return found;
    }
    const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (auto service = Describe(manager.get(), services[i].lpServiceName)) {
            found.push_back(std::move(*service));
        }
    }
    return found;
}

std::optional<InstalledService> ServiceOwningFolder(const std::string& settingsFolder) {
    const std::wstring wanted = Lower(Widen(FullPath(settingsFolder)));
    for (InstalledService& service : CorvantisServices()) {
        if (Lower(Widen(service.settingsFolder)) == wanted) {
            return std::move(service);
        }
    }
    return std::nullopt;
}

ServiceOutcome InstallService(const std::string& name, const std::string& program,
                              const std::string& settingsFolder) {
    if (!RunningAsAdministrator()) {
        return {kExitNeedsAdministrator, "Installing a service" + std::string(kNeedsAdministrator)};
    }
    const ScHandle manager = OpenManager(SC_MANAGER_CREATE_SERVICE | SC_MANAGER_CONNECT);
    if (!manager) {
        return {GetLastError() == ERROR_ACCESS_DENIED ? kExitNeedsAdministrator : 1,
                "Installing a service" + std::string(kNeedsAdministrator)};
    }
    if (ScHandle existing(OpenServiceW(manager.get(), Widen(name).c_str(), SERVICE_QUERY_STATUS));
        existing) {
        return {1, "A service named \"" + name +
                       "\" exists already; nothing was changed. "
                       "Remove it first with --uninstall-service " +
                       name + "."};
    }
    const std::string folder = FullPath(settingsFolder);
    const std::wstring command =
        Quoted(program) + L" --service " + Quoted(name) + L" --settings-dir " + Quoted(folder);
    const std::wstring display = L"Corvantis (" + Widen(name) + L")";
    try {
        PrepareServiceFolder(folder);
        const ScHandle service(
            CreateServiceW(manager.get(), Widen(name).c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                           command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!service) {
            throw Failure(static_cast<int>(GetLastError()),
                          "Cannot create the service: " + LastErrorText());
        }
        try {
            ConfigureService(service.get(), folder);
            RegisterEventSourceFor(program);
        } catch (const Failure&) {
            DeleteService(service.get());
            throw;
        }
    } catch (const Failure& failure) {
        return {1, "Service \"" + name + "\" not installed: " + failure.description()};
    }
    return {0, "Service \"" + name +
                   "\" installed: it starts with Windows and is restarted "
                   "after a failure; settings in " +
                   folder + ".\nStart it now with: sc start " + name};
}

ServiceOutcome UninstallService(const std::string& name) {
    if (!RunningAsAdministrator()) {
        return {kExitNeedsAdministrator, "Removing a service" + std::string(kNeedsAdministrator)};
    }
    const ScHandle manager = OpenManager(SC_MANAGER_CONNECT);
    const ScHandle service(
        manager ? OpenServiceW(manager.get(), Widen(name).c_str(),
                               SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | DELETE)
                : nullptr);
    if (!service) {
        return {1, "No service named \"" + name + "\" can be removed (" + LastErrorText() +
                       "); nothing was changed."};
    }
    const auto command = ServiceCommand(service.get());
    const auto ours = command ? ReadServiceCommand(name, *command) : std::nullopt;
    if (!ours) {
        return {1, "Service \"" + name +
                       "\" does not run corvantis.exe --service; it was not "
                       "removed."};
    }
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    if (!WaitStopped(service.get())) {
        return {1, "Service \"" + name + "\" did not stop within 30 s; it was not removed."};
    }
    if (!DeleteService(service.get())) {
        return {1, "Service \"" + name + "\" not removed: " + LastErrorText()};
    }
    RemoveEventSourceWhenUnused(name);
    return {0,
            "Service \"" + name + "\" removed; its settings stay in " + ours->settingsFolder + "."};
}

}  // namespace corvantis
