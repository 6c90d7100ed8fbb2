#include "platform/posix/posix_port_probe.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

class PosixPortProbeTest : public ::testing::Test {
protected:
    // Every number points into the test's own folder, so no real port is ever touched.
    PosixPortProbeTest() {
        for (int n = kFirstComPort; n <= kLastComPort; ++n) {
            m_ports.SetOverride(n, m_dir.File("absent" + std::to_string(n)));
        }
    }

    testing::TempDir m_dir;
    PortMap m_ports = PortMap::LinuxDefaults();
    PosixPortProbe m_probe{m_ports};
};

TEST_F(PosixPortProbeTest, TerminalDeviceIsPresentOtherPathsAreNot) {
    testing::PtyPair pty;
    testing::WriteFileBytes(m_dir.File("plain"), "not a port");
    m_ports.SetOverride(3, pty.SlavePath());
    m_ports.SetOverride(4, m_dir.File("plain"));
    m_ports.SetOverride(6, "/dev/null");  // a character device, but not a terminal
    m_ports.SetOverride(7, m_dir.Path());

    EXPECT_TRUE(m_probe.ProbeComPort(3));
    EXPECT_FALSE(m_probe.ProbeComPort(4));
    EXPECT_FALSE(m_probe.ProbeComPort(5));  // missing path
    EXPECT_FALSE(m_probe.ProbeComPort(6));
    EXPECT_FALSE(m_probe.ProbeComPort(7));  // a folder
    EXPECT_FALSE(m_probe.ProbeComPort(0));
    EXPECT_FALSE(m_probe.ProbeComPort(17));
}

TEST_F(PosixPortProbeTest, ProbeLeavesNothingOpen) {
    const std::filesystem::path fds("/proc/self/fd");
    if (!std::filesystem::exists(fds)) {
        GTEST_SKIP() << "no /proc/self/fd";
    }
    const auto countOpen = [&] {
        return std::distance(std::filesystem::directory_iterator(fds),
                             std::filesystem::directory_iterator());
    };
    testing::PtyPair pty;
    m_ports.SetOverride(1, pty.SlavePath());
    const auto before = countOpen();
    for (int pass = 0; pass < 10; ++pass) {
        EXPECT_TRUE(m_probe.ProbeComPort(1));
    }
    EXPECT_EQ(countOpen(), before);
}

}  // namespace
}  // namespace corvantis
