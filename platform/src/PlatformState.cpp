#include "PlatformState.h"

#include <utility>
#include <vector>

namespace {

std::shared_ptr<PlatformState> SharedInstance() {
    static const std::shared_ptr<PlatformState> instance = std::make_shared<PlatformState>();
    return instance;
}

// The calling thread's identity and queue. It holds the state so that a thread ending after
// the process's static objects still finds it.
struct ThreadSlot {
    std::shared_ptr<PlatformState> state;
    std::shared_ptr<ThreadQueue> queue;

    ~ThreadSlot() {
        if (queue) {
            state->ForgetQueue(queue->Id());
            queue->Close();
        }
    }
};

thread_local ThreadSlot currentSlot;

} // namespace

PlatformState& PlatformState::Instance() {
    return *SharedInstance();
}

std::shared_ptr<ThreadQueue> PlatformState::CurrentQueue() {
    ThreadSlot& slot = currentSlot;
    if (!slot.queue) {
        slot.state = SharedInstance();
        std::lock_guard lock(mutex_);
        PLAT_THREADID id = nextThreadId_++;
        if (id == 0) // after wrapping round; 0 is never an identifier
            id = nextThreadId_++;
        slot.queue = std::make_shared<ThreadQueue>(id);
        queues_[id] = slot.queue;
    }
    return slot.queue;
}

std::shared_ptr<ThreadQueue> PlatformState::FindQueue(PLAT_THREADID id) {
    std::lock_guard lock(mutex_);
    auto it = queues_.find(id);
    return it == queues_.end() ? nullptr : it->second;
}

void PlatformState::ForgetQueue(PLAT_THREADID id) {
    std::lock_guard lock(mutex_);
    queues_.erase(id);
}

PLAT_HWND PlatformState::AddWindow(PLAT_WNDPROC proc, void* context, PLAT_DISPATCHER dispatcher,
                                   void* dispatcherContext) {
    auto owner = CurrentQueue();
    auto window = std::make_shared<WindowTarget>();
    window->proc = proc;
    window->context = context;
    window->owner = owner->Id();
    window->ownerQueue = owner;
    window->dispatcher = dispatcher;
    window->dispatcherContext = dispatcherContext;
    std::lock_guard lock(mutex_);
    window->handle = nextHandle_++;
    windows_[window->handle] = window;
    return window->handle;
}

std::shared_ptr<WindowTarget> PlatformState::FindWindow(PLAT_HWND hwnd) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second;
}

bool PlatformState::RemoveWindow(PLAT_HWND hwnd) {
    std::vector<std::shared_ptr<SendJob>> cancelled;
    {
        std::lock_guard lock(mutex_);
        auto it = windows_.find(hwnd);
        if (it == windows_.end())
            return false;
        auto window = std::move(it->second);
        windows_.erase(it);
        // Cleared under the lock that Dispatch parks under: no job is parked for it after this.
        window->alive = false;
        for (auto job = parked_.begin(); job != parked_.end();) {
            if (job->second->Window() == window) {
                cancelled.push_back(std::move(job->second));
                job = parked_.erase(job);
            } else {
                ++job;
            }
        }
    }
    for (auto& job : cancelled)
        job->Fail(0);
    return true;
}

bool PlatformState::Dispatch(const std::shared_ptr<SendJob>& job) {
    uintptr_t ticket = 0;
    {
        std::lock_guard lock(mutex_);
        if (!job->Window()->alive)
            return false;
        ticket = nextTicket_++;
        parked_[ticket] = job;
    }
    const auto& window = job->Window();
    window->dispatcher(&PlatformState::RunParked, reinterpret_cast<void*>(ticket),
                       window->dispatcherContext);
    return true;
}

std::shared_ptr<SendJob> PlatformState::TakeParked(uintptr_t ticket) {
    std::lock_guard lock(mutex_);
    auto it = parked_.find(ticket);
    if (it == parked_.end())
        return nullptr;
    auto job = std::move(it->second);
    parked_.erase(it);
    return job;
}

void PlatformState::RunParked(void* work) {
    // A ticket run twice, or after its target was destroyed, finds nothing to do.
    if (auto job = Instance().TakeParked(reinterpret_cast<uintptr_t>(work)))
        job->Run();
}

intptr_t PlatformState::Send(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto window = FindWindow(hwnd);
    if (!window)
        return 0;
    auto self = CurrentQueue();
    if (self->Id() == window->owner)
        return window->Call(message, wParam, lParam);
    auto job = std::make_shared<SendJob>(window, message, wParam, lParam, self);
    if (window->dispatcher) {
        if (!Dispatch(job))
            return 0;
    } else {
        auto owner = window->ownerQueue.lock();
        if (!owner || !owner->QueueSend(job))
            return 0;
    }
    self->WaitFor(*job);
    return job->result;
}

bool PlatformState::Post(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto window = FindWindow(hwnd);
    if (!window)
        return false;
    if (window->dispatcher)
        return Dispatch(std::make_shared<SendJob>(window, message, wParam, lParam, nullptr));
    auto owner = window->ownerQueue.lock();
    return owner && owner->Post(PLAT_MSG{hwnd, message, wParam, lParam});
}

PLAT_HANDLE PlatformState::AddEvent(bool manualReset, bool initialState) {
    auto event = std::make_shared<EventObject>(manualReset, initialState);
    std::lock_guard lock(mutex_);
    const PLAT_HANDLE handle = nextHandle_++;
    events_[handle] = std::move(event);
    return handle;
}

std::shared_ptr<EventObject> PlatformState::FindEvent(PLAT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto it = events_.find(handle);
    return it == events_.end() ? nullptr : it->second;
}

bool PlatformState::RemoveEvent(PLAT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    return events_.erase(handle) != 0;
}
