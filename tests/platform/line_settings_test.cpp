#include "platform/line_settings.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "platform/serial_port.h"
#include "support/failure_of.h"

namespace corvantis {
namespace {

TEST(LineSettingsTest, ReadsBaudParityDataAndStopBits) {
    struct Row {
        const char* text;
        LineSettings expected;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"9600,n,8,1", {9600, Parity::None, 8, StopBits::One}},  // the clocks' line
             {"9600,N,8,1", {9600, Parity::None, 8, StopBits::One}},
             {"19200,e,7,2", {19200, Parity::Even, 7, StopBits::Two}},
             {"1200,o,7,1", {1200, Parity::Odd, 7, StopBits::One}},
             {"300,m,5,1.5", {300, Parity::Mark, 5, StopBits::OneAndHalf}},
             {"115200,S,6,1", {115200, Parity::Space, 6, StopBits::One}},
             {"50,n,8,1", {50, Parity::None, 8, StopBits::One}},
             {"4000000,n,8,1", {4000000, Parity::None, 8, StopBits::One}},
         }) {
        EXPECT_EQ(ParseLineSettings(row.text), row.expected) << row.text;
    }
}

TEST(LineSettingsTest, RefusesEverythingElseWithTheSettingsNumber) {
    struct Row {
        const char* text;
        const char* reason;  // part of the description: the field at fault
    };
    constexpr const char* kFields = "four fields";
    constexpr const char* kBaud = "baud rate";
    constexpr const char* kParity = "parity";
    constexpr const char* kDataBits = "data bits must";
    constexpr const char* kStopBits = "stop bits must";
    for (const Row& row : std::initializer_list<Row>{
             {"", kFields},
             {"9600", kFields},
             {"9600,n,8", kFields},
             {"9600,n,8,1,", kFields},  // trailing field
             {"9600,n,8,1,x", kFields},
             {"9600, n,8,1", kParity},  // no blanks
             {" 9600,n,8,1", kBaud},
             {"9600,x,8,1", kParity},  // unknown parity
             {"9600,no,8,1", kParity},
             {"9600,,8,1", kParity},
             {"9600,n,9,1", kDataBits},  // data bits 5-8
             {"9600,n,4,1", kDataBits},
             {"9600,n,08,1", kDataBits},
             {"9600,n,8,3", kStopBits},  // stop bits 1, 1.5, 2
             {"9600,n,8,1.0", kStopBits},
             {"9600,n,8,0", kStopBits},
             {"0,n,8,1", kBaud},  // baud 50-4000000
             {"49,n,8,1", kBaud},
             {"4000001,n,8,1", kBaud},
             {"09600,n,8,1", kBaud},
             {"-9600,n,8,1", kBaud},
             {"+9600,n,8,1", kBaud},
             {"96OO,n,8,1", kBaud},
             {"99999999999999,n,8,1", kBaud},
             {"9600,x,9,3", kParity},  // the first field at fault is named
         }) {
        const Failure failure = testing::FailureOf([&] { ParseLineSettings(row.text); });
        EXPECT_EQ(failure.number(), port_error::kInvalidSettings) << row.text;
        EXPECT_NE(failure.description().find('"' + std::string(row.text) + '"'), std::string::npos)
            << failure.description();
        EXPECT_NE(failure.description().find(row.reason), std::string::npos)
            << failure.description();
    }
}

}  // namespace
}  // namespace corvantis
