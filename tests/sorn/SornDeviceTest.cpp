// Devices in the real world: one that goes away and comes back behind the same link, one the
// user may not open, and detection that never opens a device.
#include "PortPara.h"
#include "PtyPeer.h"
#include "SimProcess.h"
#include "WaitUntil.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Descriptors of this process that are open on `device`.
int DescriptorsOn(const std::string& device) {
    int count = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
        count += fs::read_symlink(entry.path(), ec) == device;
    }
    return count;
}

void Relink(const std::string& link, const std::string& target) {
    const std::string temp = link + ".new";
    fs::create_symlink(target, temp);
    fs::rename(temp, link);
}

} // namespace

TEST(SornDeviceTest, LostDeviceComesBackInTheSameHandleOnlyAsTheSameDevice) {
    PortMapFile map;
    auto first = std::make_unique<PtyPeer>();
    const std::string link = map.Dir() + "/reader";
    fs::create_symlink(first->SlavePath(), link);
    map.Map(40, link);
    const int handle = SORN_OpenPort("40");
    ASSERT_GT(handle, 0);
    ASSERT_EQ(SORN_SetPortPara(handle, "baud", "19200"), 0);
    ASSERT_EQ(SORN_DoPortCmd(handle, "SetDTR", std::string("ON").data()), 0);
    ASSERT_EQ(SORN_SetPortPara(handle, "Timeout", "300"), 0);
    EXPECT_EQ(Para(handle, "Connected"), "1");
    EXPECT_EQ(Para(handle, "LostReason"), "0");

    const std::string oldSlave = first->SlavePath();
    first->Close();
    // Nobody calls on the port: the watch notices the hang-up and lets the device go.
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "0"; }));
    EXPECT_EQ(DescriptorsOn(oldSlave), 0);
    unsigned char answer[16];
    const unsigned char request[] = {0x04, 0x00, 0x52, 0x56};
    EXPECT_EQ(SORN_Transceive(handle, request, 4, answer, sizeof answer), -1040);
    // A receive takes its time-out, so a receive loop above it does not spin.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SORN_Receive(handle, answer, sizeof answer), -1040);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(SORN_SetPortPara(handle, "baud", "9600"), -1040);
    EXPECT_EQ(Para(handle, "baud"), "19200");
    EXPECT_EQ(Para(handle, "Losses"), "1");
    char line[8] = {};
    EXPECT_EQ(SORN_DoPortCmd(handle, "GetDTR", line), 0); // kept for saving and for the return
    EXPECT_STREQ(line, "ON");

    // The link now leads to a pseudo-terminal another program holds: not the device that went.
    simtest::SimProcess other({});
    const std::string foreign = other.WaitReady();
    ASSERT_FALSE(foreign.empty());
    Relink(link, foreign);
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "LostReason") == "-1041"; }));
    EXPECT_EQ(Para(handle, "Connected"), "0");
    EXPECT_EQ(DescriptorsOn(foreign), 0);

    PtyPeer second;
    Relink(link, second.SlavePath());
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "1"; }));
    EXPECT_EQ(SORN_GetPortHnd("40"), handle);
    EXPECT_EQ(Para(handle, "baud"), "19200");
    EXPECT_EQ(DescriptorsOn(second.SlavePath()), 1);
    termios tio{};
    ASSERT_EQ(tcgetattr(second.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    ASSERT_EQ(SORN_Transmit(handle, request, 4), 4);
    EXPECT_EQ(second.Read(4), std::vector<unsigned char>(request, request + 4));
    char dtr[8] = {};
    ASSERT_EQ(SORN_DoPortCmd(handle, "GetDTR", dtr), 0);
    EXPECT_STREQ(dtr, "ON");

    EXPECT_EQ(SORN_ClosePort(handle), 0);
    EXPECT_EQ(DescriptorsOn(second.SlavePath()), 0);
}

TEST(SornDeviceTest, DetectionOpensNoDevice) {
    PortMapFile map;
    PtyPeer peer;
    map.Map(41, peer.SlavePath());
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, peer.SlavePath().c_str(), IN_OPEN), 0);
    auto opens = [&] {
        int count = 0;
        alignas(inotify_event) char events[1024];
        for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
            count += static_cast<int>(n / sizeof(inotify_event));
        }
        return count;
    };
    for (int number = 1; number <= 256; ++number) {
        SORN_DetectPort(number);
    }
    EXPECT_EQ(SORN_DetectPort(41), 0);
    EXPECT_EQ(opens(), 0);
    // The watch does see an open.
    const int handle = SORN_OpenPort("41");
    ASSERT_GT(handle, 0);
    EXPECT_GE(opens(), 1);
    SORN_ClosePort(handle);
    close(watch);

    char path[64];
    EXPECT_EQ(SORN_GetDevicePath("41", path, sizeof path), 0);
    EXPECT_EQ(path, peer.SlavePath());
    map.Map(42, "");
    EXPECT_EQ(SORN_GetDevicePath("42", path, sizeof path), -1003);
    EXPECT_EQ(SORN_DetectPort(42), -1003);
}

// Run by the test below in a child process that may not open port 43.
TEST(SornDeviceTest, PermissionChild) {
    if (getenv("SORN_PERMISSION_CHILD") == nullptr) {
        GTEST_SKIP() << "runs only as the child of PermissionIsToldApartFromAMissingDevice";
    }
    EXPECT_EQ(SORN_DetectPort(43), 0);
    EXPECT_EQ(SORN_OpenPort("43"), -1016);
    char text[128];
    SORN_GetErrorText(-1016, text);
    EXPECT_STREQ(text, "no permission to open the device (is the user in the dialout group?)");
}

TEST(SornDeviceTest, PermissionIsToldApartFromAMissingDevice) {
    PortMapFile map;
    PtyPeer peer;
    map.Map(43, peer.SlavePath());
    // The child reads the map as another user.
    fs::permissions(map.Dir(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
    ASSERT_EQ(chmod(peer.SlavePath().c_str(), geteuid() == 0 ? 0600 : 0), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls until exec.
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(90);
        }
        setenv("SORN_PERMISSION_CHILD", "1", 1);
        char self[] = "/proc/self/exe";
        char filter[] = "--gtest_filter=SornDeviceTest.PermissionChild";
        char* argv[] = {self, filter, nullptr};
        execv(self, argv);
        _exit(91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
