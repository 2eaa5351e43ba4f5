#include "common/PortMap.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <set>

TEST(PortMapTest, DefaultNumberingCoversThreeDeviceFamilies) {
    PortMapFile map; // empty map file: only the defaults
    EXPECT_EQ(PortMap::DeviceOf(1), "/dev/ttyS0");
    EXPECT_EQ(PortMap::DeviceOf(32), "/dev/ttyS31");
    EXPECT_EQ(PortMap::DeviceOf(33), "/dev/ttyUSB0");
    EXPECT_EQ(PortMap::DeviceOf(64), "/dev/ttyUSB31");
    EXPECT_EQ(PortMap::DeviceOf(65), "/dev/ttyACM0");
    EXPECT_EQ(PortMap::DeviceOf(96), "/dev/ttyACM31");
    EXPECT_EQ(PortMap::DeviceOf(97), "");
    EXPECT_EQ(PortMap::DeviceOf(0), "");
    EXPECT_EQ(PortMap::DeviceOf(257), "");
}

TEST(PortMapTest, MapFileOverridesWithCommentsBlanksAndLaterLinesWinning) {
    PortMapFile map;
    map.Write("# simulator\n"
              "\n"
              "  3 = /tmp/link three \r\n"
              "200=/dev/pts/7\n"
              "junk line\n"
              "300=/dev/ttyS9\n"
              "3=/tmp/later\n"
              "5=/dev/pts/3\n"
              "5=\n"
              " 7 = rfc2217://[::1]:4001 \n");
    EXPECT_EQ(PortMap::DeviceOf(3), "/tmp/later");
    EXPECT_EQ(PortMap::DeviceOf(5), ""); // an empty entry takes the device away
    EXPECT_EQ(PortMap::DeviceOf(200), "/dev/pts/7");
    EXPECT_EQ(PortMap::DeviceOf(4), "/dev/ttyS3");
    EXPECT_EQ(PortMap::DeviceOf(256), ""); // 300 is no port number, so it maps nothing
    EXPECT_EQ(PortMap::DeviceOf(7), "rfc2217://[::1]:4001");
    EXPECT_EQ(PortMap::MappedNumbers(), (std::set<int>{3, 5, 7, 200}));
}

TEST(PortMapTest, MapFileLocationFollowsTheEnvironment) {
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    unsetenv("SORN_PORTS");
    EXPECT_EQ(PortMap::FilePath(), "/tmp/xdg/sorn/ports");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(PortMap::FilePath(), "/home/someone/.config/sorn/ports");
    setenv("SORN_PORTS", "/etc/ports", 1);
    EXPECT_EQ(PortMap::FilePath(), "/etc/ports");
    unsetenv("SORN_PORTS");
}

TEST(PortMapTest, PortNumberTextIsStrictDecimal) {
    EXPECT_EQ(PortMap::ParseNumber("1"), 1);
    EXPECT_EQ(PortMap::ParseNumber("256"), 256);
    EXPECT_EQ(PortMap::ParseNumber("0"), 0);
    EXPECT_EQ(PortMap::ParseNumber("257"), 0);
    EXPECT_EQ(PortMap::ParseNumber("99999999999"), 0);
    EXPECT_EQ(PortMap::ParseNumber("COM1"), 0);
    EXPECT_EQ(PortMap::ParseNumber("1 "), 0);
    EXPECT_EQ(PortMap::ParseNumber(""), 0);
}
