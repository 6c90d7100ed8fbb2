// The COM port as a byte line, under wine: COM5 has a terminal behind it, COM6 nothing.
#include "platform/win32/win32_com_line.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/win32_comm_setup.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

TEST(Win32ComLineTest, OpensAPresentPortAndNamesAnAbsentOne) {
    Win32ComLine present("COM5");
    EXPECT_EQ(present.Read(std::chrono::milliseconds(20)), "");
    try {
        Win32ComLine absent("COM6");
        FAIL() << "COM6 opened";
    } catch (const Failure& failure) {
        EXPECT_NE(failure.description().find("cannot open COM6"), std::string::npos)
            << failure.description();
    }
}

// The line state read back from the device after PutLineSettings. A pseudo-terminal keeps 8
// data bits and no parity whatever it is asked (the kernel's rule for ptys): the speed and
// the stop bits show that the settings reached it.
TEST(Win32CommSetupTest, PutsTheSpeedAndStopBitsWithoutHandshakingOnTheDevice) {
    struct Row {
        LineSettings settings;
        ModemLines lines;
        DWORD baud;
        BYTE stopBits;
    };
    for (const Row& row : {
             Row{{9600, Parity::None, 8, StopBits::One}, ModemLines::Raised, 9600, ONESTOPBIT},
             Row{{19200, Parity::Even, 7, StopBits::Two},
                 ModemLines::AsTheyAre,
                 19200,
                 TWOSTOPBITS},
         }) {
        SCOPED_TRACE(row.baud);
        const HANDLE device = OpenCommDevice("\\\\.\\COM5");
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(PutLineSettings(device, row.settings, row.lines).has_value());
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(GetCommState(device, &dcb));
        EXPECT_EQ(dcb.BaudRate, row.baud);
        EXPECT_EQ(dcb.StopBits, row.stopBits);
        EXPECT_FALSE(dcb.fOutxCtsFlow);
        EXPECT_FALSE(dcb.fOutX);
        EXPECT_FALSE(dcb.fInX);
        CloseHandle(device);
    }
}

TEST(Win32CommSetupTest, AHandleThatIsNoCommDeviceFailsWhileReadingItsState) {
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("plain.txt"), "text");
    const HANDLE file = OpenCommDevice(dir.File("plain.txt"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const auto problem = PutLineSettings(file, LineSettings{}, ModemLines::AsTheyAre);
    CloseHandle(file);
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->reading);
    EXPECT_NE(problem->code, 0u);
}

}  // namespace
}  // namespace corvantis
