// The COM port as a byte line, under wine: COM5 has a terminal behind it, COM6 nothing.
#include "platform/win32/win32_com_line.h"

#include <gtest/gtest.h>

#include "platform/failure.h"

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

}  // namespace
}  // namespace corvantis
