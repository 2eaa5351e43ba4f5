#include "ThreadQueue.h"

#include "SendJob.h"

#include <chrono>
#include <utility>
#include <vector>

bool ThreadQueue::Post(const PLAT_MSG& msg) {
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        posted_.push_back(msg);
    }
    wake_.notify_all();
    return true;
}

bool ThreadQueue::QueueSend(std::shared_ptr<SendJob> job) {
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        sends_.push_back(std::move(job));
    }
    wake_.notify_all();
    return true;
}

void ThreadQueue::ServeOne(std::unique_lock<std::mutex>& lock) {
    std::shared_ptr<SendJob> job = std::move(sends_.front());
    sends_.pop_front();
    // The procedure may post or send itself, so it runs without the lock.
    lock.unlock();
    job->Run();
    lock.lock();
}

bool ThreadQueue::Get(PLAT_MSG* msg, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!sends_.empty()) {
            ServeOne(lock);
            continue;
        }
        if (!posted_.empty()) {
            *msg = posted_.front();
            posted_.pop_front();
            return true;
        }
        if (timeoutMs < 0) {
            wake_.wait(lock);
        } else if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && sends_.empty() &&
                   posted_.empty()) {
            return false;
        }
    }
}

bool ThreadQueue::Peek(PLAT_MSG* msg, bool remove) {
    std::unique_lock lock(mutex_);
    while (!sends_.empty())
        ServeOne(lock);
    if (posted_.empty())
        return false;
    *msg = posted_.front();
    if (remove)
        posted_.pop_front();
    return true;
}

void ThreadQueue::WaitFor(const SendJob& job) {
    std::unique_lock lock(mutex_);
    while (!job.done) {
        if (!sends_.empty()) {
            ServeOne(lock);
            continue;
        }
        wake_.wait(lock);
    }
}

void ThreadQueue::Complete(SendJob& job, intptr_t result) {
    {
        std::lock_guard lock(mutex_);
        job.result = result;
        job.done = true;
    }
    wake_.notify_all();
}

void ThreadQueue::Close() {
    std::deque<std::shared_ptr<SendJob>> pending;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        pending.swap(sends_);
        posted_.clear();
    }
    for (auto& job : pending)
        job->Fail(0);
}
