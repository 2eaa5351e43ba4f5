#pragma once
// One window message on its way to the receiver's thread: a send (the sender waits for the
// result) or a post through a dispatcher (nobody waits).

#include "WindowTarget.h"

#include <memory>

class ThreadQueue;

class SendJob {
public:
    /// sender null: a post, nobody waits for the result.
    SendJob(std::shared_ptr<WindowTarget> window, uint32_t message, uintptr_t wParam,
            intptr_t lParam, std::shared_ptr<ThreadQueue> sender);

    /// Runs the procedure on the calling thread and hands the result to the sender.
    void Run();
    /// Answers the sender with `result` without running the procedure.
    void Fail(intptr_t result = 0);

    const std::shared_ptr<WindowTarget>& Window() const { return window_; }
    const std::shared_ptr<ThreadQueue>& Sender() const { return sender_; }

    // Guarded by the sender's queue lock (see ThreadQueue::Complete and ThreadQueue::WaitFor).
    bool done = false;
    intptr_t result = 0;

private:
    std::shared_ptr<WindowTarget> window_;
    uint32_t message_;
    uintptr_t wParam_;
    intptr_t lParam_;
    std::shared_ptr<ThreadQueue> sender_;
};
