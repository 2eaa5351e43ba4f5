#pragma once
// The message queue of one thread: posted messages in order, and sends from other threads to
// this thread's window targets, which are served whenever the thread waits or peeks.

#include "platform.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class SendJob;

class ThreadQueue {
public:
    explicit ThreadQueue(PLAT_THREADID id) : id_(id) {}

    PLAT_THREADID Id() const { return id_; }

    /// Queues a posted message; false once the thread has ended.
    bool Post(const PLAT_MSG& msg);
    /// Queues a send for this thread to serve; false once the thread has ended.
    bool QueueSend(std::shared_ptr<SendJob> job);

    /// Takes the next posted message, serving sends while it waits. timeoutMs < 0: no limit.
    bool Get(PLAT_MSG* msg, int timeoutMs);
    /// Serves the pending sends, then copies the next posted message (removing it on request).
    bool Peek(PLAT_MSG* msg, bool remove);

    /// Called on this thread after it sent `job` (this queue is the job's sender): serves
    /// sends to this thread's own targets until the job is answered, so that two threads
    /// sending to each other do not wait on each other for ever.
    void WaitFor(const SendJob& job);
    /// Answers a job this thread is waiting for.
    void Complete(SendJob& job, intptr_t result);

    /// The thread ends: refuses further messages and answers its pending sends with 0.
    void Close();

private:
    void ServeOne(std::unique_lock<std::mutex>& lock);

    const PLAT_THREADID id_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<PLAT_MSG> posted_;
    std::deque<std::shared_ptr<SendJob>> sends_;
    bool closed_ = false;
};
