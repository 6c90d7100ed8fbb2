// The real Windows probe of the PC clock's synchronisation, under wine: what it reads from the
// time service's key, and what it makes of this system.
#include <gtest/gtest.h>

#include <cwchar>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_clock_sync.h"

#include <windows.h>

namespace corvantis {
namespace {

// While it lives, HKEY_LOCAL_MACHINE in this process is a scratch key of the current user's,
// holding the time service's key with the values given, so the probe reads those and nothing
// of the system's.
class MachineHiveSandbox {
public:
    MachineHiveSandbox(std::optional<DWORD> start, const wchar_t* type) {
        m_path = L"Software\\Corvantis-test-machine-" + std::to_wstring(GetCurrentProcessId());
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &m_root, nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot create the scratch key");
        }
        HKEY service = nullptr;
        RegCreateKeyExW(m_root, L"SYSTEM\\CurrentControlSet\\Services\\W32Time\\Parameters", 0,
                        nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &service, nullptr);
        if (type != nullptr) {
            RegSetValueExW(service, L"Type", 0, REG_SZ, reinterpret_cast<const BYTE*>(type),
                           static_cast<DWORD>((wcslen(type) + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(service);
        if (start) {
            RegSetKeyValueW(m_root, L"SYSTEM\\CurrentControlSet\\Services\\W32Time", L"Start",
                            REG_DWORD, &*start, sizeof(DWORD));
        }
        if (RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_root) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot redirect HKEY_LOCAL_MACHINE");
        }
    }
    ~MachineHiveSandbox() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_root);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    MachineHiveSandbox(const MachineHiveSandbox&) = delete;
    MachineHiveSandbox& operator=(const MachineHiveSandbox&) = delete;

private:
    std::wstring m_path;
    HKEY m_root = nullptr;
};

TEST(Win32ClockSyncTest, ReadsTheTimeServiceKey) {
    struct Row {
        std::optional<DWORD> start;
        const wchar_t* type;
        bool known;
        bool synchronised;
    };
    // Wine runs no time service and steers no clock rate, so only the key decides here.
    const Row rows[] = {
        {4, L"NTP", true, false},     // the service disabled
        {3, L"NoSync", true, false},  // the service follows nothing
        {2, L"nosync", true, false},  // the word in any case
        {3, L"NTP", false, false},    // started now and then: no claim
        {std::nullopt, nullptr, false, false},
    };
    for (const Row& row : rows) {
        const MachineHiveSandbox sandbox(row.start, row.type);
        const WindowsTimeFacts facts = ReadWindowsTimeFacts();
        EXPECT_TRUE(facts.serviceInstalled);
        EXPECT_EQ(facts.start, row.start ? std::optional<unsigned long>(*row.start) : std::nullopt);
        EXPECT_EQ(facts.type.has_value(), row.type != nullptr);
        const ClockSyncStatus status = Win32ClockSync().Read();
        EXPECT_EQ(status.known, row.known) << facts.type.value_or("no type");
        EXPECT_EQ(status.synchronised, row.synchronised) << facts.type.value_or("no type");
    }
}

TEST(Win32ClockSyncTest, OnThisSystemTheProbeAnswersWithoutFailing) {
    const WindowsTimeFacts facts = ReadWindowsTimeFacts();
    const ClockSyncStatus status = Win32ClockSync().Read();
    std::cout << "[          ] time service " << (facts.serviceInstalled ? "installed" : "absent")
              << ", runs " << (facts.running ? (*facts.running ? "yes" : "no") : "unknown")
              << ", clock rate steered "
              << (facts.adjusting ? (*facts.adjusting ? "yes" : "no") : "unknown") << ": "
              << (status.known ? (status.synchronised ? "synchronised" : "not synchronised")
                               : "unknown")
              << "\n";
    ASSERT_TRUE(facts.adjusting.has_value()) << "GetSystemTimeAdjustment answers";
    // Wine has no time service of its own (its host keeps the clock): nothing to claim.
    if (!facts.serviceInstalled && !*facts.adjusting) {
        EXPECT_FALSE(status.known);
    }
}

}  // namespace
}  // namespace corvantis
