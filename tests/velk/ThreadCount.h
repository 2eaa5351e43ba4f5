// Counting this process's threads as the kernel lists them in /proc/self/task.
//
// A joined thread can stay listed for a moment after the join returns (the kernel wakes the
// joiner before it releases the task), so counts are awaited rather than sampled once.
#pragma once

#include <chrono>
#include <filesystem>
#include <thread>

namespace velktest {

inline int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

/// Waits up to ten seconds for the count to reach `expected` and returns the last count seen.
inline int ThreadCountReaching(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int count = ThreadCount();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = ThreadCount();
    }
    return count;
}

/// The count once it has held still for 50 ms (at most two seconds of waiting), so that a thread
/// joined just before is not counted as one that runs.
inline int SettledThreadCount() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    int count = ThreadCount();
    auto since = Clock::now();
    while (Clock::now() - since < std::chrono::milliseconds(50) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int now = ThreadCount();
        if (now != count) {
            count = now;
            since = Clock::now();
        }
    }
    return count;
}

} // namespace velktest
