#pragma once
// A registered window target: the receiver's procedure and how its messages reach its thread.

#include "platform.h"

#include <atomic>
#include <memory>

class ThreadQueue;

struct WindowTarget {
    PLAT_HWND handle = 0;
    PLAT_WNDPROC proc = nullptr;
    void* context = nullptr;
    /// The thread that created the target; a send from it is a direct call.
    PLAT_THREADID owner = 0;
    /// Where posted and sent messages wait when there is no dispatcher.
    std::weak_ptr<ThreadQueue> ownerQueue;
    PLAT_DISPATCHER dispatcher = nullptr;
    void* dispatcherContext = nullptr;
    /// Cleared on destruction; a message still on its way is then answered with 0.
    std::atomic<bool> alive{true};

    /// Runs the procedure on the calling thread; 0 once the target is destroyed.
    intptr_t Call(uint32_t message, uintptr_t wParam, intptr_t lParam) {
        if (!alive.load() || proc == nullptr)
            return 0;
        return proc(handle, message, wParam, lParam, context);
    }
};
