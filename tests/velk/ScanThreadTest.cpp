// The scan thread against the scripted serial-port library: port set-up and restore, data to
// the event-4 handler raw or as hex text, the lock, the flush after a failure, and stopping.
#include "ThreadCount.h"
#include "VelkTestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

struct ScanInbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Bytes> data;
    std::vector<int> codes;
};
ScanInbox gInbox;

/// Holds the handler inside its call until the test lets it go, so a stop meets a hand-over
/// that is certainly busy.
struct HandlerGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool hold = false;
    bool inside = false;
};
HandlerGate gGate;

void OnScan(const char* text, int code) {
    {
        std::unique_lock<std::mutex> lock(gGate.mutex);
        gGate.inside = true;
        gGate.changed.notify_all();
        gGate.changed.wait(lock, [] { return !gGate.hold; });
        gGate.inside = false;
    }
    std::lock_guard<std::mutex> lock(gInbox.mutex);
    gInbox.data.emplace_back(text, text + std::max(code, 0));
    gInbox.codes.push_back(code);
    gInbox.arrived.notify_all();
}

using velktest::SettledThreadCount;
using velktest::ThreadCountReaching;

const VELK_EVENT_HANDLER kScanHandler{4, 0, 3, reinterpret_cast<intptr_t>(&OnScan)};

class ScanThreadTest : public VelkTest {
protected:
    void SetUp() override {
        VelkTest::SetUp();
        HoldHandler(false);
        std::lock_guard<std::mutex> lock(gInbox.mutex);
        gInbox.data.clear();
        gInbox.codes.clear();
    }

    static bool WaitForData(std::size_t count) {
        std::unique_lock<std::mutex> lock(gInbox.mutex);
        return gInbox.arrived.wait_for(lock, 3s, [&] { return gInbox.data.size() >= count; });
    }

    static void HoldHandler(bool hold) {
        std::lock_guard<std::mutex> lock(gGate.mutex);
        gGate.hold = hold;
        gGate.changed.notify_all();
    }
    static bool WaitUntilHandlerHeld() {
        std::unique_lock<std::mutex> lock(gGate.mutex);
        return gGate.changed.wait_for(lock, 10s, [] { return gGate.inside; });
    }

    /// Waits until the thread has asked for data `calls` more times; a call counted here has
    /// seen everything queued before.
    static void WaitForReceiveCalls(int calls) {
        const int target = fakesorn::ReceiveCalls() + calls;
        const auto deadline = steady_clock::now() + 3s;
        while (fakesorn::ReceiveCalls() < target && steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }
};

TEST_F(ScanThreadTest, SetsUpThePortDeliversDataAndRestoresTheTimeout) {
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    fakesorn::QueueReceive({0x01, 0x02});
    ASSERT_TRUE(WaitForData(1));
    ASSERT_EQ(VELK_SetReaderPara(h, "CONVHEXTOSTRING", "1"), 0);
    fakesorn::QueueReceive({0x01, 0x02});
    ASSERT_TRUE(WaitForData(2));
    ASSERT_EQ(VELK_DelEventHandler(h, &kScanHandler), 0);
    {
        std::lock_guard<std::mutex> lock(gInbox.mutex);
        EXPECT_EQ(gInbox.data[0], (Bytes{0x01, 0x02}));
        EXPECT_EQ(gInbox.codes[0], 2);
        EXPECT_EQ(std::string(gInbox.data[1].begin(), gInbox.data[1].end()), "01 02 ");
        EXPECT_EQ(gInbox.codes[1], 6);
    }
    using V = std::vector<std::string>;
    EXPECT_EQ(fakesorn::PortCalls(), (V{"Timeout=0", "FlushInQ", "Timeout=800"}));
    // Scan data writes no log lines.
    EXPECT_EQ(Para(h, "RECSTR"), "");
}

TEST_F(ScanThreadTest, AFailedReceiveFlushesTheInputButNothingReceivedDoesNot) {
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    fakesorn::QueueReceiveResult(-1030);
    fakesorn::QueueReceiveResult(0);
    fakesorn::QueueReceiveResult(-1033);
    WaitForReceiveCalls(4);
    ASSERT_EQ(VELK_DelEventHandler(h, &kScanHandler), 0);
    using V = std::vector<std::string>;
    EXPECT_EQ(fakesorn::PortCalls(), (V{"Timeout=0", "FlushInQ", "FlushInQ", "Timeout=800"}));
}

TEST_F(ScanThreadTest, LockedHandOversDropTheData) {
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    ASSERT_EQ(VELK_SetReaderPara(0, "LOCKPROTTOAPP", ""), 0);
    fakesorn::QueueReceive({0x0A});
    WaitForReceiveCalls(2);
    ASSERT_EQ(VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", ""), 0);
    fakesorn::QueueReceive({0x0B});
    ASSERT_TRUE(WaitForData(1));
    std::lock_guard<std::mutex> lock(gInbox.mutex);
    ASSERT_EQ(gInbox.data.size(), 1u);
    EXPECT_EQ(gInbox.data[0], Bytes{0x0B});
}

TEST_F(ScanThreadTest, OneScanThreadPerReaderAndRestartAfterStop) {
    const int h = NewReader();
    const int other = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    VELK_EVENT_HANDLER second = kScanHandler;
    second.method = 4;
    second.target = 0;
    EXPECT_EQ(VELK_AddEventHandler(h, &second), -2003);
    EXPECT_EQ(ReaderError(h), -2003);
    EXPECT_EQ(VELK_AddEventHandler(other, &kScanHandler), 0);
    ASSERT_EQ(VELK_DelEventHandler(h, &kScanHandler), 0);
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    fakesorn::QueueReceive({0x01});
    EXPECT_TRUE(WaitForData(1));
    // Deleting the readers stops both threads (checked by the fixture's next set-up too).
    EXPECT_EQ(VELK_DeleteReader(other), 0);
    EXPECT_EQ(VELK_DeleteReader(h), 0);
}

TEST_F(ScanThreadTest, AStopThatTimesOutLeavesHandOversLocked) {
    const int h = NewReader();
    LogTo(h);
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    HoldHandler(true);
    fakesorn::QueueReceive({0x01});
    ASSERT_TRUE(WaitUntilHandlerHeld());
    char value[8];
    EXPECT_EQ(VELK_GetReaderPara(h, "ISPROTTOAPPLOCKED", value), 0); // busy
    // The hand-over outlasts the grace for busy and the thread does not end within the second.
    const auto start = steady_clock::now();
    EXPECT_EQ(VELK_DelEventHandler(h, &kScanHandler), 0);
    const auto took = steady_clock::now() - start;
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 30s); // bounded, though the handler never returns by itself

    // Still locked: a command works but hands nothing over.
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    char version[64];
    EXPECT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    EXPECT_TRUE(Lines().empty());
    HoldHandler(false);
    ASSERT_TRUE(WaitForData(1)); // the slow hand-over still completes
    ASSERT_EQ(VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", ""), 0);
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    EXPECT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    EXPECT_EQ(Lines().size(), 2u);
    // While the old thread runs on, no second one starts; once it has ended, a new one does.
    const auto deadline = steady_clock::now() + 10s;
    int rc = VELK_AddEventHandler(h, &kScanHandler);
    while (rc == -2003 && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
        rc = VELK_AddEventHandler(h, &kScanHandler);
    }
    ASSERT_EQ(rc, 0);
    fakesorn::QueueReceive({0x02});
    ASSERT_TRUE(WaitForData(2));
    EXPECT_EQ(VELK_DeleteReader(h), 0);
}

TEST_F(ScanThreadTest, DeletingAReaderWhoseThreadWillNotStopReleasesItWhenItEnds) {
    const int threadsBefore = SettledThreadCount();
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    HoldHandler(true);
    fakesorn::QueueReceive({0x01});
    ASSERT_TRUE(WaitUntilHandlerHeld());
    EXPECT_EQ(VELK_DeleteReader(h), 0);
    EXPECT_EQ(VELK_GetReaderList(0), -2001);
    // The thread finishes its hand-over, sees its stop flag and ends; the next deletion joins it.
    HoldHandler(false);
    ASSERT_TRUE(WaitForData(1));
    EXPECT_EQ(ThreadCountReaching(threadsBefore), threadsBefore);
    EXPECT_EQ(VELK_DeleteReader(NewReader()), 0);
}

} // namespace
