#include "platform/win32/win32_port_probe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

namespace corvantis {
namespace {

// Port numbers named by the environment: CORVANTIS_TEST_PRESENT_COM lists ports the test
// harness has put a device behind (under wine: a link to a terminal device), and
// CORVANTIS_TEST_ABSENT_COM ports it guarantees have none. Unset: the case is skipped.
std::vector<std::int16_t> PortsFromEnvironment(const char* variable) {
    std::vector<std::int16_t> ports;
    const char* text = std::getenv(variable);
    std::istringstream in(text != nullptr ? text : "");
    int n = 0;
    while (in >> n) {
        ports.push_back(static_cast<std::int16_t>(n));
    }
    return ports;
}

TEST(Win32PortProbeTest, DeviceNamesUseTheDeviceNamespace) {
    EXPECT_EQ(ComDeviceName(1), "\\\\.\\COM1");
    EXPECT_EQ(ComDeviceName(9), "\\\\.\\COM9");
    EXPECT_EQ(ComDeviceName(10), "\\\\.\\COM10");
    EXPECT_EQ(ComDeviceName(16), "\\\\.\\COM16");
}

TEST(Win32PortProbeTest, PortsWithADeviceArePresent) {
    const std::vector<std::int16_t> present = PortsFromEnvironment("CORVANTIS_TEST_PRESENT_COM");
    if (present.empty()) {
        GTEST_SKIP() << "CORVANTIS_TEST_PRESENT_COM names no port";
    }
    Win32PortProbe probe;
    for (const std::int16_t n : present) {
        EXPECT_TRUE(probe.ProbeComPort(n)) << "COM" << n;
        EXPECT_TRUE(probe.ProbeComPort(n)) << "COM" << n << " probed twice: not kept open";
    }
}

TEST(Win32PortProbeTest, PortsWithoutADeviceAreAbsent) {
    const std::vector<std::int16_t> absent = PortsFromEnvironment("CORVANTIS_TEST_ABSENT_COM");
    if (absent.empty()) {
        GTEST_SKIP() << "CORVANTIS_TEST_ABSENT_COM names no port";
    }
    Win32PortProbe probe;
    for (const std::int16_t n : absent) {
        EXPECT_FALSE(probe.ProbeComPort(n)) << "COM" << n;
    }
}

TEST(Win32PortProbeTest, NumbersBelowOneAreAbsent) {
    Win32PortProbe probe;
    EXPECT_FALSE(probe.ProbeComPort(0));
    EXPECT_FALSE(probe.ProbeComPort(-1));
    EXPECT_FALSE(probe.ProbeComPort(-32768));
}

// Why the probe names "\\.\COMn": from COM10 on, the bare name is no device at all.
TEST(Win32PortProbeTest, TwoDigitPortsAreFoundOnlyThroughTheDeviceNamespace) {
    std::int16_t twoDigit = 0;
    for (const std::int16_t n : PortsFromEnvironment("CORVANTIS_TEST_PRESENT_COM")) {
        if (n >= 10) {
            twoDigit = n;
        }
    }
    if (twoDigit == 0) {
        GTEST_SKIP() << "CORVANTIS_TEST_PRESENT_COM names no port from COM10 on";
    }
    SECURITY_ATTRIBUTES security{};
    const std::string bare = "COM" + std::to_string(twoDigit);
    const HANDLE device = CreateFileA(bare.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &security, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device != INVALID_HANDLE_VALUE) {
        CloseHandle(device);
    }
    EXPECT_EQ(device, INVALID_HANDLE_VALUE) << bare;
    EXPECT_TRUE(Win32PortProbe().ProbeComPort(twoDigit));
}

}  // namespace
}  // namespace corvantis
