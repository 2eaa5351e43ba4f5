#include "platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// What a procedure saw: the thread it ran on, and the last message.
struct Receiver {
    std::atomic<PLAT_THREADID> ranOn{0};
    std::atomic<uint32_t> message{0};
    std::atomic<int> calls{0};
};

intptr_t Record(PLAT_HWND, uint32_t message, uintptr_t wParam, intptr_t lParam, void* context) {
    auto* receiver = static_cast<Receiver*>(context);
    receiver->ranOn = PLAT_GetCurrentThreadId();
    receiver->message = message;
    ++receiver->calls;
    return static_cast<intptr_t>(wParam) + lParam;
}

// A thread that owns a target and pumps its queue until told to stop by thread message 1.
class PumpThread {
public:
    explicit PumpThread(Receiver& receiver) {
        std::promise<void> ready;
        auto started = ready.get_future();
        thread_ = std::thread([&, this] {
            id_ = PLAT_GetCurrentThreadId();
            hwnd_ = PLAT_CreateWindowTarget(&Record, &receiver);
            ready.set_value();
            PLAT_MSG msg{};
            while (PLAT_GetMessage(&msg, -1) == 1 && !(msg.hwnd == 0 && msg.message == 1))
                PLAT_DispatchMessage(&msg);
        });
        started.wait();
    }
    ~PumpThread() {
        PLAT_PostThreadMessage(id_, 1, 0, 0);
        thread_.join();
    }
    PLAT_THREADID Id() const { return id_; }
    PLAT_HWND Hwnd() const { return hwnd_; }

private:
    std::thread thread_;
    PLAT_THREADID id_ = 0;
    PLAT_HWND hwnd_ = 0;
};

TEST(WindowTargets, SendRunsOnTheOwnersThreadAndReturnsItsResult) {
    Receiver receiver;
    PumpThread owner(receiver);
    ASSERT_NE(owner.Hwnd(), 0);
    EXPECT_EQ(PLAT_SendMessage(owner.Hwnd(), 0x405, 40, 2), 42);
    EXPECT_EQ(receiver.ranOn.load(), owner.Id());
    EXPECT_EQ(receiver.message.load(), 0x405u);

    // A post is dispatched by the owner's loop later, also on its thread.
    ASSERT_EQ(PLAT_PostMessage(owner.Hwnd(), 0x406, 0, 0), 1);
    while (receiver.calls.load() < 2)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(receiver.message.load(), 0x406u);
    EXPECT_EQ(receiver.ranOn.load(), owner.Id());
}

TEST(WindowTargets, SendFromTheOwnerIsADirectCall) {
    Receiver receiver;
    const PLAT_HWND hwnd = PLAT_CreateWindowTarget(&Record, &receiver);
    ASSERT_NE(hwnd, 0);
    EXPECT_EQ(PLAT_SendMessage(hwnd, 7, 3, 4), 7);
    EXPECT_EQ(receiver.ranOn.load(), PLAT_GetCurrentThreadId());

    ASSERT_EQ(PLAT_PostMessage(hwnd, 8, 1, 1), 1);
    PLAT_MSG msg{};
    ASSERT_EQ(PLAT_GetMessage(&msg, 0), 1);
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(PLAT_DispatchMessage(&msg), 2);

    EXPECT_EQ(PLAT_DestroyWindowTarget(hwnd), 1);
    EXPECT_EQ(PLAT_DestroyWindowTarget(hwnd), 0);
    EXPECT_EQ(PLAT_SendMessage(hwnd, 7, 3, 4), 0);
    EXPECT_EQ(PLAT_PostMessage(hwnd, 7, 3, 4), 0);
    EXPECT_EQ(PLAT_DispatchMessage(&msg), 0);
    EXPECT_EQ(receiver.calls.load(), 2);
    EXPECT_EQ(PLAT_CreateWindowTarget(nullptr, nullptr), 0);
}

TEST(WindowTargets, SendToATargetWhoseOwnerEndsWithoutPumpingGetsZero) {
    Receiver receiver;
    std::promise<PLAT_HWND> created;
    std::promise<void> release;
    std::thread owner([&] {
        created.set_value(PLAT_CreateWindowTarget(&Record, &receiver));
        release.get_future().wait(); // never pumps
    });
    const PLAT_HWND hwnd = created.get_future().get();
    auto sent = std::async(std::launch::async, [hwnd] { return PLAT_SendMessage(hwnd, 5, 1, 1); });
    std::this_thread::sleep_for(50ms);
    release.set_value();
    owner.join();
    ASSERT_EQ(sent.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(sent.get(), 0);
    EXPECT_EQ(receiver.calls.load(), 0);
    EXPECT_EQ(PLAT_SendMessage(hwnd, 5, 1, 1), 0);
    PLAT_DestroyWindowTarget(hwnd);
}

// Two threads send to each other's targets: each serves the other's send while it waits.
struct Echo {
    PLAT_HWND peer = 0;
};

intptr_t SendBack(PLAT_HWND, uint32_t message, uintptr_t wParam, intptr_t, void* context) {
    auto* echo = static_cast<Echo*>(context);
    if (message == 1 && echo->peer != 0)
        return 100 + PLAT_SendMessage(echo->peer, 2, wParam, 0);
    return static_cast<intptr_t>(wParam) * 2;
}

TEST(WindowTargets, NestedSendsBetweenTwoThreadsDoNotDeadlock) {
    Echo mainEcho;
    const PLAT_HWND mainHwnd = PLAT_CreateWindowTarget(&SendBack, &mainEcho);
    Echo otherEcho{mainHwnd};
    std::promise<PLAT_HWND> created;
    std::atomic<bool> stop{false};
    std::thread other([&] {
        created.set_value(PLAT_CreateWindowTarget(&SendBack, &otherEcho));
        PLAT_MSG msg{};
        while (!stop.load())
            PLAT_GetMessage(&msg, 10);
    });
    const PLAT_HWND otherHwnd = created.get_future().get();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(PLAT_SendMessage(otherHwnd, 1, static_cast<uintptr_t>(i), 0), 100 + 2 * i);
    stop = true;
    other.join();
    PLAT_DestroyWindowTarget(mainHwnd);
    PLAT_DestroyWindowTarget(otherHwnd);
}

// A receiver with its own event loop, as a toolkit has: work is queued and run by the loop.
class EventLoop {
public:
    static void Dispatcher(void (*run)(void*), void* work, void* context) {
        auto* loop = static_cast<EventLoop*>(context);
        {
            std::lock_guard lock(loop->mutex_);
            loop->work_.emplace_back([run, work] { run(work); });
        }
        loop->wake_.notify_all();
    }
    void RunUntilStopped() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || (!work_.empty() && !paused_); });
            if (stop_)
                return;
            auto item = std::move(work_.front());
            work_.pop_front();
            lock.unlock();
            item();
            lock.lock();
        }
    }
    void Stop() {
        Change([this] { stop_ = true; });
    }
    void Pause(bool paused) {
        Change([&] { paused_ = paused; });
    }
    std::size_t Queued() {
        std::lock_guard lock(mutex_);
        return work_.size();
    }
    // Runs what is queued on the calling thread (the loop is paused).
    void Drain() {
        std::deque<std::function<void()>> items;
        {
            std::lock_guard lock(mutex_);
            items.swap(work_);
        }
        for (auto& item : items)
            item();
    }

private:
    void Change(const std::function<void()>& change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        wake_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> work_;
    bool stop_ = false;
    bool paused_ = false;
};

TEST(WindowTargets, DispatcherRunsSendsAndPostsOnTheLoopThread) {
    Receiver receiver;
    EventLoop loop;
    std::promise<std::pair<PLAT_HWND, PLAT_THREADID>> created;
    std::thread ui([&] {
        created.set_value(
            {PLAT_CreateWindowTargetEx(&Record, &receiver, &EventLoop::Dispatcher, &loop),
             PLAT_GetCurrentThreadId()});
        loop.RunUntilStopped();
    });
    const auto [hwnd, uiThread] = created.get_future().get();
    ASSERT_NE(hwnd, 0);
    EXPECT_EQ(PLAT_SendMessage(hwnd, 0x405, 5, 6), 11);
    EXPECT_EQ(receiver.ranOn.load(), uiThread);
    ASSERT_EQ(PLAT_PostMessage(hwnd, 0x407, 0, 0), 1);
    while (receiver.calls.load() < 2)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(receiver.message.load(), 0x407u);
    EXPECT_EQ(receiver.ranOn.load(), uiThread);
    loop.Stop();
    ui.join();
    PLAT_DestroyWindowTarget(hwnd);
}

TEST(WindowTargets, DestroyingATargetReleasesSendsItsDispatcherHasNotRun) {
    Receiver receiver;
    EventLoop loop;
    loop.Pause(true);
    std::promise<PLAT_HWND> created;
    std::thread ui([&] {
        created.set_value(
            PLAT_CreateWindowTargetEx(&Record, &receiver, &EventLoop::Dispatcher, &loop));
        loop.RunUntilStopped();
    });
    const PLAT_HWND hwnd = created.get_future().get();
    auto sent = std::async(std::launch::async, [hwnd] { return PLAT_SendMessage(hwnd, 9, 1, 1); });
    while (loop.Queued() == 0)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(PLAT_DestroyWindowTarget(hwnd), 1);
    ASSERT_EQ(sent.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(sent.get(), 0);
    loop.Drain(); // the late work finds nothing to run
    EXPECT_EQ(receiver.calls.load(), 0);
    loop.Stop();
    ui.join();
}

} // namespace
