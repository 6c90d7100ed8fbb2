#include "platform/port_map.h"

#include <gtest/gtest.h>

namespace corvantis {
namespace {

TEST(PortMapTest, LinuxDefaultsReachOnBoardUsbAndModemClassPorts) {
    const PortMap map = PortMap::LinuxDefaults();
    struct Row {
        int n;
        const char* device;
    };
    for (const Row& row : std::initializer_list<Row>{
             {1, "/dev/ttyS0"},
             {4, "/dev/ttyS3"},
             {5, "/dev/ttyUSB0"},  // first USB adapter right after the four UARTs
             {12, "/dev/ttyUSB7"},
             {13, "/dev/ttyACM0"},
             {16, "/dev/ttyACM3"},
         }) {
        EXPECT_EQ(map.Device(row.n), row.device) << row.n;
    }
}

TEST(PortMapTest, WindowsDefaultsUseTheDeviceNamespaceSoComTenAndAboveWork) {
    const PortMap map = PortMap::WindowsDefaults();
    EXPECT_EQ(map.Device(1), "\\\\.\\COM1");
    EXPECT_EQ(map.Device(10), "\\\\.\\COM10");
    EXPECT_EQ(map.Device(16), "\\\\.\\COM16");
}

TEST(PortMapTest, NumbersOutsideOneToSixteenHaveNoDeviceAndCannotBeOverridden) {
    PortMap map = PortMap::LinuxDefaults();
    for (int n : {-1, 0, 17, 255}) {
        EXPECT_FALSE(map.Device(n).has_value()) << n;
        EXPECT_FALSE(map.SetOverride(n, "/dev/pts/3")) << n;
        EXPECT_FALSE(map.Device(n).has_value()) << n;
    }
}

TEST(PortMapTest, OverrideReplacesOneEntryAndEmptyRestoresTheDefault) {
    PortMap map = PortMap::LinuxDefaults();
    EXPECT_TRUE(map.SetOverride(5, "/dev/serial/by-id/usb-FTDI-if00-port0"));
    EXPECT_EQ(map.Device(5), "/dev/serial/by-id/usb-FTDI-if00-port0");
    EXPECT_EQ(map.Device(6), "/dev/ttyUSB1");  // neighbours untouched
    EXPECT_TRUE(map.SetOverride(5, ""));
    EXPECT_EQ(map.Device(5), "/dev/ttyUSB0");
}

TEST(PortMapTest, ParsesPortsSectionEntries) {
    struct Row {
        const char* key;
        const char* value;
        int number;  // 0: refused
        const char* device;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"COM5", "/dev/serial/by-id/usb-x", 5, "/dev/serial/by-id/usb-x"},
             {"com16", "/dev/ttyACM9", 16, "/dev/ttyACM9"},  // keys are read in lower case
             {"Com1", "  /dev/pts/7 \r", 1, "/dev/pts/7"},   // blanks around the value
             {" COM2 ", "/dev/ttyS1", 2, "/dev/ttyS1"},
             {"COM3", "", 3, ""},  // back to the default
             {"COM0", "/dev/x", 0, ""},
             {"COM17", "/dev/x", 0, ""},
             {"COM05", "/dev/x", 0, ""},  // leading zero: not a name the program uses
             {"COM+5", "/dev/x", 0, ""},
             {"COM5x", "/dev/x", 0, ""},
             {"COM", "/dev/x", 0, ""},
             {"LPT1", "/dev/x", 0, ""},
             {"COM 5", "/dev/x", 0, ""},
         }) {
        const auto parsed = ParsePortOverride(row.key, row.value);
        if (row.number == 0) {
            EXPECT_FALSE(parsed.has_value()) << '"' << row.key << '"';
            continue;
        }
        ASSERT_TRUE(parsed.has_value()) << '"' << row.key << '"';
        EXPECT_EQ(parsed->number, row.number) << row.key;
        EXPECT_EQ(parsed->device, row.device) << row.key;
    }
}

TEST(PortMapTest, ApplySettingChangesOnlyValidKeys) {
    PortMap map = PortMap::LinuxDefaults();
    EXPECT_TRUE(map.ApplySetting("com7", "/dev/pts/4"));
    EXPECT_FALSE(map.ApplySetting("COM99", "/dev/pts/5"));
    EXPECT_FALSE(map.ApplySetting("baud", "9600"));
    EXPECT_EQ(map.Device(7), "/dev/pts/4");
}

}  // namespace
}  // namespace corvantis
