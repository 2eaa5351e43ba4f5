#pragma once
// Waiting for a condition in a test: polls `done` until it holds or `limit` has passed. The
// limit is reached only when the test fails, so it is generous for a busy machine.

#include <chrono>
#include <thread>

template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
