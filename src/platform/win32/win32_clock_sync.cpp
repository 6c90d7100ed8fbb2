#include "platform/win32/win32_clock_sync.h"

#include "platform/win32/win32_paths.h"

#include <windows.h>

namespace corvantis {

namespace {

constexpr wchar_t kServiceName[] = L"W32Time";
constexpr wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W32Time";

void ReadServiceKey(WindowsTimeFacts& facts) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    facts.serviceInstalled = true;
    DWORD start = 0;
    DWORD size = sizeof start;
    if (RegGetValueW(key, nullptr, L"Start", RRF_RT_REG_DWORD, nullptr, &start, &size) ==
        ERROR_SUCCESS) {
        facts.start = start;
    }
    wchar_t type[64] = {};
    size = sizeof type;
    if (RegGetValueW(key, L"Parameters", L"Type", RRF_RT_REG_SZ, nullptr, type, &size) ==
        ERROR_SUCCESS) {
        facts.type = NarrowPath(type);
    }
    RegCloseKey(key);
}

std::optional<bool> ServiceRuns() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        return std::nullopt;
    }
    std::optional<bool> runs;
    if (SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) {
            runs = status.dwCurrentState == SERVICE_RUNNING;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return runs;
}

}  // namespace

WindowsTimeFacts ReadWindowsTimeFacts() {
    WindowsTimeFacts facts;
    ReadServiceKey(facts);
    facts.running = ServiceRuns();
    DWORD adjustment = 0;
    DWORD increment = 0;
    BOOL disabled = TRUE;
    if (GetSystemTimeAdjustment(&adjustment, &increment, &disabled)) {
        facts.adjusting = disabled == FALSE;
    }
    return facts;
}

}  // namespace corvantis
