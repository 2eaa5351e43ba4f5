#include "platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(ThreadMessages, PostedMessagesArriveInOrderWithTheirFields) {
    const PLAT_THREADID self = PLAT_GetCurrentThreadId();
    ASSERT_NE(self, 0u);
    EXPECT_EQ(PLAT_GetCurrentThreadId(), self);
    ASSERT_EQ(PLAT_PostThreadMessage(self, 1029, 0xABCD, -7), 1);
    ASSERT_EQ(PLAT_PostThreadMessage(self, 1030, 1, 2), 1);

    PLAT_MSG msg{};
    ASSERT_EQ(PLAT_PeekMessage(&msg, 0), 1);
    EXPECT_EQ(msg.message, 1029u);
    ASSERT_EQ(PLAT_GetMessage(&msg, 0), 1); // the peek left it queued
    EXPECT_EQ(msg.hwnd, 0);
    EXPECT_EQ(msg.message, 1029u);
    EXPECT_EQ(msg.wParam, 0xABCDu);
    EXPECT_EQ(msg.lParam, -7);
    ASSERT_EQ(PLAT_PeekMessage(&msg, 1), 1);
    EXPECT_EQ(msg.message, 1030u);
    EXPECT_EQ(PLAT_PeekMessage(&msg, 1), 0);
    EXPECT_EQ(PLAT_GetMessage(nullptr, 0), 0);
}

TEST(ThreadMessages, GetTimesOutOnAnEmptyQueue) {
    PLAT_GetCurrentThreadId();
    PLAT_MSG msg{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PLAT_GetMessage(&msg, 60), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);
}

TEST(ThreadMessages, PostsToUnknownOrEndedThreadsFail) {
    EXPECT_EQ(PLAT_PostThreadMessage(0, 1, 0, 0), 0);
    EXPECT_EQ(PLAT_PostThreadMessage(0x7FFFFFF0u, 1, 0, 0), 0);
    PLAT_THREADID ended = 0;
    std::thread([&] { ended = PLAT_GetCurrentThreadId(); }).join();
    ASSERT_NE(ended, 0u);
    EXPECT_NE(ended, PLAT_GetCurrentThreadId());
    EXPECT_EQ(PLAT_PostThreadMessage(ended, 1, 0, 0), 0);
}

TEST(ThreadMessages, WaitingReceiverGetsEveryMessageOfSeveralSenders) {
    constexpr int kSenders = 4;
    constexpr int kPerSender = 500;
    std::promise<PLAT_THREADID> idPromise;
    auto idFuture = idPromise.get_future();
    std::vector<std::vector<uintptr_t>> seen(kSenders);
    std::thread receiver([&] {
        idPromise.set_value(PLAT_GetCurrentThreadId());
        PLAT_MSG msg{};
        for (int n = 0; n < kSenders * kPerSender; ++n) {
            ASSERT_EQ(PLAT_GetMessage(&msg, -1), 1);
            seen[static_cast<std::size_t>(msg.lParam)].push_back(msg.wParam);
        }
    });
    const PLAT_THREADID target = idFuture.get();
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([s, target] {
            for (int i = 0; i < kPerSender; ++i)
                ASSERT_EQ(PLAT_PostThreadMessage(target, 1029, static_cast<uintptr_t>(i), s), 1);
        });
    for (auto& t : senders)
        t.join();
    receiver.join();
    for (const auto& one : seen) {
        ASSERT_EQ(one.size(), static_cast<std::size_t>(kPerSender));
        for (int i = 0; i < kPerSender; ++i)
            EXPECT_EQ(one[static_cast<std::size_t>(i)], static_cast<uintptr_t>(i));
    }
}

} // namespace
