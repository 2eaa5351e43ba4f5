// Velk through the real serial-port library over a pseudo-terminal; the test plays the reader
// on the master side.
#include "sorn.h"
#include "velk.h"

#include "ThreadCount.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

constexpr int kPortNumber = 201;

/// Reads exactly n bytes from fd, waiting up to the time-out. Returns what arrived.
Bytes ReadBytes(int fd, std::size_t n, std::chrono::milliseconds timeout) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        unsigned char buf[256];
        const ssize_t got = read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (got > 0)
            out.insert(out.end(), buf, buf + got);
    }
    return out;
}

using velktest::SettledThreadCount;
using velktest::ThreadCountReaching;

/// What the event-4 handler received.
struct ScanInbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> texts;
    std::vector<int> codes;
};
ScanInbox gInbox;

void OnScanData(const char* text, int code) {
    std::lock_guard<std::mutex> lock(gInbox.mutex);
    gInbox.texts.emplace_back(text, static_cast<std::size_t>(std::max(code, 0)));
    gInbox.codes.push_back(code);
    gInbox.arrived.notify_all();
}

void IgnoreScanData(const char*, int) {}

class PtyIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[128] = {};
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        // The master side is read without blocking so a missing answer cannot hang the test.
        ASSERT_EQ(fcntl(master_, F_SETFL, O_NONBLOCK), 0);
        mapFile_ =
            std::filesystem::temp_directory_path() / ("velk-ports-" + std::to_string(getpid()));
        std::ofstream(mapFile_) << kPortNumber << "=" << name << "\n";
        setenv("SORN_PORTS", mapFile_.c_str(), 1);
        port_ = SORN_OpenPort(std::to_string(kPortNumber).c_str());
        ASSERT_GT(port_, 0) << "cannot open " << name;
        reader_ = VELK_NewReader(port_);
        ASSERT_GT(reader_, 0);
    }
    void TearDown() override {
        if (reader_ > 0)
            VELK_DeleteReader(reader_);
        if (port_ > 0)
            SORN_ClosePort(port_);
        close(slave_);
        if (master_ >= 0)
            close(master_);
        std::filesystem::remove(mapFile_);
    }

    int master_ = -1;
    int slave_ = -1;
    int port_ = 0;
    int reader_ = 0;
    std::filesystem::path mapFile_;
};

TEST_F(PtyIntegrationTest, SoftVersionOverTheSerialPortLibrary) {
    std::thread answerer([this] {
        const Bytes request = ReadBytes(master_, 4, 3000ms);
        if (request == Bytes{0x04, 0x00, 0x65, 0x61}) {
            const unsigned char answer[] = {0x0A, 0x00, 0x65, 0x00, 0x01,
                                            0x02, 0x03, 0x04, 0x05, 0x6E};
            [[maybe_unused]] ssize_t n = write(master_, answer, sizeof answer);
        }
    });
    char version[64] = {};
    const int rc = VELK_0x65_SoftVersion(reader_, 0, version, 1);
    answerer.join();
    EXPECT_EQ(rc, 0);
    EXPECT_STREQ(version, "0102030405");
    char recstr[1024] = {};
    ASSERT_EQ(VELK_GetReaderPara(reader_, "RECSTR", recstr), 0);
    EXPECT_NE(std::string(recstr).find("  <<  0A 00 65 00 01 02 03 04 05 6E   OK"),
              std::string::npos)
        << recstr;
}

TEST_F(PtyIntegrationTest, EepromWritesInOneSecondAreNeverCloserThanFiftyMilliseconds) {
    // The reader side notes when it answers the first write (the pacing's mark is later) and
    // when the second write has arrived (the pacing's decision was earlier). When both fall in
    // one wall-clock second, so did the mark and the decision, and the gap must be 50 ms.
    struct Moment {
        std::chrono::system_clock::time_point wall;
        std::chrono::steady_clock::time_point monotonic;
    };
    const auto now = [] {
        return Moment{std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
    };
    constexpr int kPairs = 4;
    std::vector<Moment> answered, arrived;
    std::thread answerer([&] {
        const Bytes request{0x05, 0x00, 0x40, 0x01, 0x44};
        const unsigned char answer[] = {0x05, 0x00, 0x40, 0x00, 0x45};
        for (int i = 0; i < 2 * kPairs; ++i) {
            if (ReadBytes(master_, request.size(), 3000ms) != request)
                return;
            if (i % 2 == 1)
                arrived.push_back(now());
            else
                answered.push_back(now());
            [[maybe_unused]] ssize_t n = write(master_, answer, sizeof answer);
        }
    });
    for (int i = 0; i < 2 * kPairs; ++i)
        EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader_, 0, 1), 0);
    answerer.join();
    ASSERT_EQ(arrived.size(), static_cast<std::size_t>(kPairs));
    int measured = 0;
    for (int i = 0; i < kPairs; ++i) {
        using std::chrono::floor;
        using std::chrono::seconds;
        if (floor<seconds>(answered[i].wall) != floor<seconds>(arrived[i].wall))
            continue;
        ++measured;
        EXPECT_GE(arrived[i].monotonic - answered[i].monotonic, 50ms) << "pair " << i;
    }
    if (measured == 0)
        GTEST_SKIP() << "every pair straddled a change of the second";
}

TEST_F(PtyIntegrationTest, ScanThreadHandsReceivedBytesToTheEventHandler) {
    {
        std::lock_guard<std::mutex> lock(gInbox.mutex);
        gInbox.texts.clear();
        gInbox.codes.clear();
    }
    ASSERT_EQ(VELK_SetReaderPara(reader_, "CONVHEXTOSTRING", "1"), 0);
    const VELK_EVENT_HANDLER handler{4, 0, 3, reinterpret_cast<intptr_t>(&OnScanData)};
    const int threadsBefore = SettledThreadCount();
    ASSERT_EQ(VELK_AddEventHandler(reader_, &handler), 0);
    EXPECT_EQ(VELK_AddEventHandler(reader_, &handler), 0); // the same handler twice: kept once
    // One scan thread per reader: a second scan-data handler is refused.
    const VELK_EVENT_HANDLER second{4, 0, 3, reinterpret_cast<intptr_t>(&IgnoreScanData)};
    EXPECT_EQ(VELK_AddEventHandler(reader_, &second), -2003);

    // The thread empties the input once it has set the port up, so bytes written before then
    // are gone: write again until some arrive. Every delivery is whole copies of the bytes.
    const unsigned char bytes[] = {0x01, 0x02};
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (bool arrived = false; !arrived && std::chrono::steady_clock::now() < deadline;) {
        ASSERT_EQ(write(master_, bytes, sizeof bytes), 2);
        std::unique_lock<std::mutex> lock(gInbox.mutex);
        arrived = gInbox.arrived.wait_for(lock, 200ms, [] { return !gInbox.texts.empty(); });
    }
    {
        std::lock_guard<std::mutex> lock(gInbox.mutex);
        ASSERT_FALSE(gInbox.texts.empty());
        const std::string& text = gInbox.texts[0];
        EXPECT_TRUE(!text.empty() && text.size() % 6 == 0) << text;
        for (std::size_t i = 0; i < text.size(); i += 6)
            EXPECT_EQ(text.substr(i, 6), "01 02 ");
        EXPECT_EQ(gInbox.codes[0], static_cast<int>(text.size()));
    }

    // Idle, the thread waits in the serial-port library rather than spinning.
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(1s);
    getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage& u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
               (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    };
    const double idleCpuMs = cpuMs(after) - cpuMs(before);
    RecordProperty("idle_scan_cpu_ms_per_s", std::to_string(idleCpuMs));
    std::printf("idle scan thread: %.1f ms CPU in 1 s\n", idleCpuMs);
    EXPECT_LT(idleCpuMs, 200.0);

    ASSERT_EQ(VELK_DelEventHandler(reader_, &handler), 0);
    EXPECT_EQ(ThreadCountReaching(threadsBefore), threadsBefore);
    EXPECT_EQ(VELK_DelEventHandler(reader_, &handler), -2050);
    // The port's receive time-out is given back.
    char timeout[16] = {};
    ASSERT_EQ(SORN_GetPortPara(port_, "Timeout", timeout), 0);
    EXPECT_STRNE(timeout, "0");
}

// The threads of this process, by their ids.
std::vector<std::string> Tasks() {
    std::vector<std::string> tasks;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        tasks.push_back(entry.path().filename().string());
    return tasks;
}

// Processor time of thread `task` so far, in milliseconds (user and system, in clock ticks).
double ThreadCpuMs(const std::string& task) {
    std::ifstream stat("/proc/self/task/" + task + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the parenthesised name: state is field 3, utime 14, stime 15.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14)
            ticks += std::stol(field);
    }
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST_F(PtyIntegrationTest, ScanThreadStaysIdleWhileThePortIsLost) {
    const std::vector<std::string> before = Tasks();
    const VELK_EVENT_HANDLER handler{4, 0, 3, reinterpret_cast<intptr_t>(&IgnoreScanData)};
    ASSERT_EQ(VELK_AddEventHandler(reader_, &handler), 0);
    std::string scan;
    for (const auto deadline = std::chrono::steady_clock::now() + 10s;
         scan.empty() && std::chrono::steady_clock::now() < deadline;) {
        for (const std::string& task : Tasks()) {
            if (std::find(before.begin(), before.end(), task) == before.end())
                scan = task;
        }
    }
    ASSERT_FALSE(scan.empty());

    close(master_); // the far end goes away
    master_ = -1;
    char connected[16] = "1";
    for (const auto deadline = std::chrono::steady_clock::now() + 10s;
         std::string(connected) != "0" && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(10ms);
        SORN_GetPortPara(port_, "Connected", connected);
    }
    ASSERT_STREQ(connected, "0");

    const double start = ThreadCpuMs(scan);
    std::this_thread::sleep_for(2s);
    const double used = ThreadCpuMs(scan) - start;
    std::printf("scan thread on a lost port: %.0f ms CPU in 2 s\n", used);
    EXPECT_LT(used, 50.0);
    ASSERT_EQ(VELK_DelEventHandler(reader_, &handler), 0);
}

TEST_F(PtyIntegrationTest, DeletingAReaderStopsItsScanThread) {
    const int threadsBefore = SettledThreadCount();
    const VELK_EVENT_HANDLER handler{4, 0, 3, reinterpret_cast<intptr_t>(&OnScanData)};
    ASSERT_EQ(VELK_AddEventHandler(reader_, &handler), 0);
    EXPECT_EQ(ThreadCountReaching(threadsBefore + 1), threadsBefore + 1);
    ASSERT_EQ(VELK_DeleteReader(reader_), 0);
    reader_ = 0;
    EXPECT_EQ(ThreadCountReaching(threadsBefore), threadsBefore);
}

} // namespace
