#pragma once
// An event object: signalled or not; an auto-reset event lets one waiter through per set.

#include <condition_variable>
#include <cstdint>
#include <mutex>

class EventObject {
public:
    EventObject(bool manualReset, bool initialState)
        : manualReset_(manualReset), signalled_(initialState) {}

    void Set();
    void Reset();
    /// PLAT_WAIT_OBJECT_0 once signalled (an auto-reset event is then reset), or
    /// PLAT_WAIT_TIMEOUT. timeoutMs PLAT_INFINITE waits without limit.
    uint32_t Wait(uint32_t timeoutMs);

private:
    const bool manualReset_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};
