#include "platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(EventObjects, AutoResetLetsOneWaitThroughPerSet) {
    const PLAT_HANDLE event = PLAT_CreateEvent(0, 1);
    ASSERT_NE(event, 0);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_OBJECT_0);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_TIMEOUT);
    EXPECT_EQ(PLAT_SetEvent(event), 1);
    EXPECT_EQ(PLAT_ResetEvent(event), 1);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 20), PLAT_WAIT_TIMEOUT);
    EXPECT_EQ(PLAT_CloseHandle(event), 1);
}

TEST(EventObjects, ManualResetStaysSignalledUntilReset) {
    const PLAT_HANDLE event = PLAT_CreateEvent(1, 0);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_TIMEOUT);
    PLAT_SetEvent(event);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_OBJECT_0);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, PLAT_INFINITE), PLAT_WAIT_OBJECT_0);
    PLAT_ResetEvent(event);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_TIMEOUT);
    PLAT_CloseHandle(event);
}

TEST(EventObjects, UnknownAndClosedHandlesFail) {
    const PLAT_HANDLE event = PLAT_CreateEvent(1, 1);
    ASSERT_EQ(PLAT_CloseHandle(event), 1);
    EXPECT_EQ(PLAT_CloseHandle(event), 0);
    EXPECT_EQ(PLAT_SetEvent(event), 0);
    EXPECT_EQ(PLAT_ResetEvent(event), 0);
    EXPECT_EQ(PLAT_WaitForSingleObject(event, 0), PLAT_WAIT_FAILED);
    EXPECT_EQ(PLAT_WaitForSingleObject(0, PLAT_INFINITE), PLAT_WAIT_FAILED);
}

TEST(EventObjects, EachSetOfAnAutoResetEventReleasesExactlyOneWaiter) {
    const PLAT_HANDLE event = PLAT_CreateEvent(0, 0);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (PLAT_WaitForSingleObject(event, 5000) == PLAT_WAIT_OBJECT_0)
                ++released;
        });
    for (int set = 1; set <= 3; ++set) {
        PLAT_SetEvent(event);
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (released.load() < set && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(10ms);
        EXPECT_EQ(released.load(), set);
    }
    for (auto& t : waiters)
        t.join();
    PLAT_CloseHandle(event);
}

TEST(SystemStrings, CopiesTheGivenLengthAndTerminates) {
    const wchar_t text[] = L"scan data";
    PLAT_BSTR copy = PLAT_SysAllocStringLen(text, 4);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(PLAT_SysStringLen(copy), 4u);
    EXPECT_EQ(std::wstring(copy), L"scan");

    PLAT_BSTR zeros = PLAT_SysAllocStringLen(nullptr, 3);
    ASSERT_NE(zeros, nullptr);
    EXPECT_EQ(PLAT_SysStringLen(zeros), 3u);
    for (int i = 0; i <= 3; ++i)
        EXPECT_EQ(zeros[i], L'\0');

    // A string handed to another thread is freed there.
    std::thread([copy] { PLAT_SysFreeString(copy); }).join();
    EXPECT_EQ(PLAT_SysStringLen(copy), 0u);
    PLAT_SysFreeString(zeros);
}

TEST(SystemStrings, NullForeignAndFreedPointersAreHarmless) {
    wchar_t local[4] = L"abc";
    EXPECT_EQ(PLAT_SysStringLen(nullptr), 0u);
    EXPECT_EQ(PLAT_SysStringLen(local), 0u);
    PLAT_SysFreeString(nullptr);
    PLAT_SysFreeString(local);
    PLAT_BSTR empty = PLAT_SysAllocStringLen(L"", 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], L'\0');
    PLAT_SysFreeString(empty);
    PLAT_SysFreeString(empty);
}

} // namespace
