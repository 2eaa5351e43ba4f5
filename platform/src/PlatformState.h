#pragma once
// The one process-wide instance behind the exports: thread queues by thread id, window
// targets and event objects by handle, sends waiting for a dispatcher, system strings.

#include "EventObject.h"
#include "SendJob.h"
#include "SystemStrings.h"
#include "ThreadQueue.h"
#include "WindowTarget.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

class PlatformState {
public:
    /// The instance; every thread with a queue keeps it alive until that thread ends.
    static PlatformState& Instance();

    /// The calling thread's queue, made on first use; it is closed when the thread ends.
    std::shared_ptr<ThreadQueue> CurrentQueue();
    /// Null for an unknown or ended thread.
    std::shared_ptr<ThreadQueue> FindQueue(PLAT_THREADID id);
    void ForgetQueue(PLAT_THREADID id);

    PLAT_HWND AddWindow(PLAT_WNDPROC proc, void* context, PLAT_DISPATCHER dispatcher,
                        void* dispatcherContext);
    std::shared_ptr<WindowTarget> FindWindow(PLAT_HWND hwnd);
    bool RemoveWindow(PLAT_HWND hwnd);

    intptr_t Send(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);
    bool Post(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);

    PLAT_HANDLE AddEvent(bool manualReset, bool initialState);
    std::shared_ptr<EventObject> FindEvent(PLAT_HANDLE handle);
    bool RemoveEvent(PLAT_HANDLE handle);

    SystemStrings& Strings() { return strings_; }

private:
    /// Hands a job to the target's dispatcher; false when the target is already destroyed.
    bool Dispatch(const std::shared_ptr<SendJob>& job);
    static void RunParked(void* work);
    std::shared_ptr<SendJob> TakeParked(uintptr_t ticket);

    std::mutex mutex_;
    PLAT_THREADID nextThreadId_ = 1;
    intptr_t nextHandle_ = 0x1000; // windows and events share one range, never reused
    uintptr_t nextTicket_ = 1;
    std::map<PLAT_THREADID, std::shared_ptr<ThreadQueue>> queues_;
    std::map<PLAT_HWND, std::shared_ptr<WindowTarget>> windows_;
    std::map<PLAT_HANDLE, std::shared_ptr<EventObject>> events_;
    // Jobs given to a dispatcher and not run yet, by the ticket the dispatcher hands back.
    // The dispatcher only ever sees the ticket, so a job cancelled when its target is
    // destroyed cannot be reached through a stale pointer.
    std::map<uintptr_t, std::shared_ptr<SendJob>> parked_;
    SystemStrings strings_;
};
