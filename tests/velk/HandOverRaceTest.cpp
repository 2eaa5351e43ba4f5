// The application locks hand-overs while one is entering, on the command thread and on the scan
// thread: a hook holds the hand-over between its two steps while the application locks and
// asks whether a hand-over is busy. The answer is "busy", and the hand-over then backs out.
// Also a scan-data handler that deletes its own reader while the application uses the library.
#include "TestHooks.h"
#include "ThreadCount.h"
#include "VelkTestSupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

/// The forced interleaving: the hand-over stops in its entry until the application has locked
/// and asked "ISPROTTOAPPLOCKED".
struct Interleaving {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> armed{false};
    bool entered = false;
    bool applicationDone = false;
    int lockedAnswer = -1;
};
Interleaving gStep;

void HoldEntry() {
    if (!gStep.armed.exchange(false))
        return;
    std::unique_lock<std::mutex> lock(gStep.mutex);
    gStep.entered = true;
    gStep.changed.notify_all();
    gStep.changed.wait(lock, [] { return gStep.applicationDone; });
}

/// The application's side, on a thread of its own.
std::thread LockWhileEntering() {
    {
        std::lock_guard<std::mutex> lock(gStep.mutex);
        gStep.entered = false;
        gStep.applicationDone = false;
        gStep.lockedAnswer = -1;
    }
    gStep.armed = true;
    return std::thread([] {
        std::unique_lock<std::mutex> lock(gStep.mutex);
        if (!gStep.changed.wait_for(lock, 10s, [] { return gStep.entered; }))
            return;
        lock.unlock();
        VELK_SetReaderPara(0, "LOCKPROTTOAPP", "");
        char value[8];
        const int answer = VELK_GetReaderPara(0, "ISPROTTOAPPLOCKED", value);
        lock.lock();
        gStep.lockedAnswer = answer;
        gStep.applicationDone = true;
        gStep.changed.notify_all();
    });
}

std::mutex gScanMutex;
std::condition_variable gScanArrived;
std::vector<Bytes> gScanData;
std::atomic<int> gDeleteFromHandler{0};

void OnScan(const char* text, int code) {
    if (const int h = gDeleteFromHandler.exchange(0))
        VELK_DeleteReader(h);
    std::lock_guard<std::mutex> lock(gScanMutex);
    gScanData.emplace_back(text, text + std::max(code, 0));
    gScanArrived.notify_all();
}

const VELK_EVENT_HANDLER kScanHandler{4, 0, 3, reinterpret_cast<intptr_t>(&OnScan)};

class HandOverRaceTest : public VelkTest {
protected:
    void SetUp() override {
        VelkTest::SetUp();
        velktest::SetHandOverEntryHook(&HoldEntry);
        std::lock_guard<std::mutex> lock(gScanMutex);
        gScanData.clear();
    }
    void TearDown() override {
        velktest::SetHandOverEntryHook(nullptr);
        VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", "");
        VelkTest::TearDown();
    }
    static bool WaitForScanData(std::size_t count) {
        std::unique_lock<std::mutex> lock(gScanMutex);
        return gScanArrived.wait_for(lock, 10s, [&] { return gScanData.size() >= count; });
    }
};

TEST_F(HandOverRaceTest, ALockDuringACommandsHandOverEntryIsSeenAndTheHandOverBacksOut) {
    const int h = NewReader();
    LogTo(h);
    std::thread application = LockWhileEntering();
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    char version[64];
    EXPECT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    application.join();
    EXPECT_EQ(gStep.lockedAnswer, 0); // a hand-over was busy
    EXPECT_TRUE(Lines().empty());     // and handed nothing over once locked
    char value[8];
    EXPECT_EQ(VELK_GetReaderPara(0, "ISPROTTOAPPLOCKED", value), 1);
}

TEST_F(HandOverRaceTest, ALockDuringAScanHandOverEntryIsSeenAndTheDataDropped) {
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    std::thread application = LockWhileEntering();
    fakesorn::QueueReceive({0x01});
    application.join();
    EXPECT_EQ(gStep.lockedAnswer, 0);
    // The scan thread is still in that hand-over; unlock only once it asks for data again.
    const int calls = fakesorn::ReceiveCalls();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (fakesorn::ReceiveCalls() == calls && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", ""), 0);
    fakesorn::QueueReceive({0x02});
    ASSERT_TRUE(WaitForScanData(1));
    std::lock_guard<std::mutex> lock(gScanMutex);
    EXPECT_EQ(gScanData, (std::vector<Bytes>{{0x02}})); // the locked bytes never arrived
}

TEST_F(HandOverRaceTest, AHandlerDeletesItsReaderFromTheScanThreadWhileTheApplicationWorks) {
    velktest::SetHandOverEntryHook(nullptr);
    const int threadsBefore = velktest::SettledThreadCount();
    const int other = NewReader();
    const int h = NewReader();
    ASSERT_EQ(VELK_AddEventHandler(h, &kScanHandler), 0);
    gDeleteFromHandler = h;
    fakesorn::QueueReceive({0x01});
    // Meanwhile the application keeps using the registry.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    char value[16];
    for (bool handled = false; !handled && std::chrono::steady_clock::now() < deadline;) {
        VELK_GetReaderPara(other, "PORTHND", value);
        VELK_GetReaderList(0);
        VELK_GetReaderPara(h, "PORTHND", value);
        std::lock_guard<std::mutex> lock(gScanMutex);
        handled = !gScanData.empty();
    }
    ASSERT_TRUE(WaitForScanData(1));
    EXPECT_EQ(VELK_GetReaderList(0), other);
    EXPECT_EQ(VELK_GetReaderList(other), 0);
    EXPECT_EQ(VELK_GetReaderPara(h, "PORTHND", value), -2023);
    EXPECT_EQ(velktest::ThreadCountReaching(threadsBefore), threadsBefore); // the thread ended
    EXPECT_EQ(VELK_DeleteReader(other), 0);
}

} // namespace
