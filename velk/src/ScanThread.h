#pragma once
// A reader's scan thread: it listens on the reader's port for frames the reader sends on its
// own and hands them to the event-4 handlers.

#include <atomic>
#include <future>
#include <memory>
#include <thread>

class Reader;

class ScanThread {
public:
    ScanThread() = default;
    /// Joins a thread that has ended; a thread releasing the last reference to its own reader
    /// detaches itself instead.
    ~ScanThread();
    ScanThread(const ScanThread&) = delete;
    ScanThread& operator=(const ScanThread&) = delete;

    /// True while a thread is recorded (running, or stopped but not yet ended).
    bool Recorded() const { return thread_.joinable(); }
    const std::atomic<bool>& StopFlag() const { return stop_; }

    /// Starts `reader`'s scan loop; false when a thread is recorded or cannot be created.
    bool Start(std::shared_ptr<Reader> reader);
    /// Sets the stop flag and waits up to timeout for the thread to end; true when it ended
    /// (the thread is then joined and forgotten).
    bool RequestStopAndWait(std::chrono::milliseconds timeout);
    /// Library unload: sets the stop flag and waits up to timeout for the thread to end. A
    /// thread that does not end (stuck in a hand-over, say a synchronous send to a window of
    /// the unloading thread) is left detached, holding its reader; false then.
    bool JoinOrDetach(std::chrono::milliseconds timeout);
    /// True when called on the scan thread itself (a handler calling back into the library).
    bool IsCurrentThread() const { return thread_.get_id() == std::this_thread::get_id(); }
    /// Sets the stop flag without waiting.
    void RequestStop() { stop_.store(true); }
    /// Joins the thread when it has ended; true when no thread is recorded afterwards.
    bool JoinIfEnded();

private:
    std::thread thread_;
    std::future<void> ended_;
    std::atomic<bool> stop_{false};
};

/// Starts the scan thread: lock on while it is created, off afterwards. False on failure.
bool StartScanThread(Reader& reader);
/// Stops it: lock, let a running hand-over finish, stop flag, wait up to 1000 ms. True when
/// no thread is left; false leaves hand-overs locked and the thread recorded. Called on the
/// scan thread itself (from a handler), it sets the stop flag and returns false at once: the
/// thread ends when its hand-over returns.
bool StopScanThread(Reader& reader);

/// The loop of the scan thread (runs until the stop flag is set).
void RunScanLoop(Reader& reader, const std::atomic<bool>& stop);
