#include "EventObject.h"

#include "platform.h"

#include <chrono>

void EventObject::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    // Every waiter re-checks under the lock, so an auto-reset event still lets only one pass.
    changed_.notify_all();
}

void EventObject::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

uint32_t EventObject::Wait(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto isSet = [this] { return signalled_; };
    if (timeoutMs == PLAT_INFINITE)
        changed_.wait(lock, isSet);
    else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
        return PLAT_WAIT_TIMEOUT;
    if (!manualReset_)
        signalled_ = false;
    return PLAT_WAIT_OBJECT_0;
}
