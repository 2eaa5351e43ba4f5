// What a lost port's path leads to when it comes back: USB adapters told apart in a sysfs tree
// laid out as the kernel lays it out, and a pseudo-terminal by the program holding it.
#include "DeviceIdentity.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using sorn::TerminalIdentity;

namespace {

// An FTDI-style adapter: usb device `socket` (with vendor, product and serial number), its
// interface 00, the serial port ttyUSB<n> and the tty node 188:<n> in /sys/dev/char.
void PlugAdapter(const fs::path& sys, const std::string& socket, const std::string& serial, int n) {
    const fs::path usb = sys / "devices/pci0000:00/usb1" / socket;
    const fs::path port = usb / (socket + ":1.0") / ("ttyUSB" + std::to_string(n));
    fs::create_directories(port / "tty" / ("ttyUSB" + std::to_string(n)));
    std::ofstream(usb / "idVendor") << "0403\n";
    std::ofstream(usb / "idProduct") << "6001\n";
    if (!serial.empty()) {
        std::ofstream(usb / "serial") << serial << "\n";
    }
    std::ofstream(usb / (socket + ":1.0") / "bInterfaceNumber") << "00\n";
    std::ofstream(port / "port_number") << "0\n";
    fs::create_directories(sys / "dev/char");
    const fs::path node = sys / "dev/char" / ("188:" + std::to_string(n));
    fs::remove(node);
    fs::create_symlink(port / "tty" / ("ttyUSB" + std::to_string(n)), node);
}

} // namespace

TEST(DeviceIdentityTest, UsbAdapterIsKnownByItsSerialNumberOrItsSocket) {
    PortMapFile scratch;
    const fs::path sys = fs::path(scratch.Dir()) / "sys";
    PlugAdapter(sys, "1-2", "A12345", 0);
    const std::string first = TerminalIdentity(188, 0, sys);
    EXPECT_NE(first.find("A12345"), std::string::npos) << first;

    // The same adapter back in another socket, under another number.
    fs::remove_all(sys);
    PlugAdapter(sys, "1-3", "A12345", 1);
    EXPECT_EQ(TerminalIdentity(188, 1, sys), first);

    // Another adapter under the first one's number.
    PlugAdapter(sys, "1-2", "B99999", 0);
    EXPECT_NE(TerminalIdentity(188, 0, sys), first);

    // Without serial numbers the socket tells them apart.
    fs::remove_all(sys);
    PlugAdapter(sys, "1-2", "", 0);
    PlugAdapter(sys, "1-4", "", 1);
    EXPECT_NE(TerminalIdentity(188, 0, sys), TerminalIdentity(188, 1, sys));
    EXPECT_FALSE(TerminalIdentity(188, 0, sys).empty());
}

TEST(DeviceIdentityTest, PseudoTerminalIsKnownByTheProgramHoldingIt) {
    PtyPeer a;
    PtyPeer b;
    EXPECT_FALSE(sorn::IdentityOf(a.SlavePath()).empty());
    EXPECT_EQ(sorn::IdentityOf(a.SlavePath()), sorn::IdentityOf(b.SlavePath()));
    // Nobody holds its master side any more: it cannot be told.
    b.Close();
    EXPECT_EQ(sorn::IdentityOf(b.SlavePath()), "");
}
