#pragma once
// The auto-answer reception worker: while enabled it reads one port and hands what arrives,
// with its time, to a delivery function: one line per frame, or per burst of bytes that form
// no frame (WkAutoAnswerFrames), the lines of one receive call in one delivery. While the
// port's device is away it asks only a few times a second, and goes on by itself when the device is
// back.
//
// The worker waits at a gate while it is disabled, so Enable and Disable take the place of
// resuming and suspending a thread. It is stopped by a flag and joined; the longest wait for
// it is one receive call, whose time-out the port sets.
//
// Enable, Disable and Quit belong to one owning thread (the user-interface thread); the
// receive and delivery functions run on the worker.

#include "WkProtocolLine.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class WkAAThread {
public:
    /// Bytes of one receive call: > 0 received, -1030 when nothing came within the port's
    /// time-out, another value for a failure (after which the worker pauses briefly).
    using ReceiveFunction = std::function<int(int port, unsigned char* buffer, int size)>;
    /// Takes the pieces of one receive call, in order, each the bytes of one line, and the
    /// time they came; it may take the pieces away. `silent`: the line fell silent after
    /// them (more bytes at once are not expected). Its result is not used.
    using DeliverFunction = std::function<bool(
        WkPackedTime time, std::vector<std::vector<std::uint8_t>>& pieces, bool silent)>;
    /// Tells, on the worker, that reception has stopped after a Disable.
    using StoppedFunction = std::function<void()>;
    /// Work the owner does while it waits for the worker (for example serving the window
    /// that a delivery is waiting for).
    using PumpFunction = std::function<void()>;

    /// Bytes asked of one receive call: a terminal's whole input queue, so that a burst of
    /// frames comes in one call (a frame is split between calls only by a longer burst).
    static constexpr int kReceiveSize = 4096;

    WkAAThread(ReceiveFunction receive, DeliverFunction deliver, StoppedFunction stopped = {});
    /// Quits without pumping.
    ~WkAAThread();
    WkAAThread(const WkAAThread&) = delete;
    WkAAThread& operator=(const WkAAThread&) = delete;

    /// Creates the worker, waiting at its gate. False when the thread cannot be created.
    bool Start();
    bool IsStarted() const { return worker_.joinable(); }

    /// Starts receiving from `port`: the port is in place before the worker sees the gate
    /// open. A receive call still running from an earlier run delivers nothing.
    void Enable(int port);
    /// Stops receiving. When this returns, no further line is delivered until the next
    /// Enable; `pump` runs while a delivery that began before is finishing.
    void Disable(const PumpFunction& pump = {});
    /// Ends the worker and joins it, running `pump` while it finishes; safe to call twice.
    void Quit(const PumpFunction& pump = {});

    bool IsEnabled() const;
    /// True while the worker is in its receive loop; cleared by the worker after a Disable.
    bool IsActive() const { return active_.load(); }
    int Port() const;
    /// Lines delivered so far.
    std::uint64_t Delivered() const { return delivered_.load(); }

private:
    void Run();
    void WaitFor(const std::function<bool()>& done, const PumpFunction& pump);

    ReceiveFunction receive_;
    DeliverFunction deliver_;
    StoppedFunction stopped_;

    mutable std::mutex mutex_;
    std::condition_variable gate_;
    int port_ = 0;
    bool enabled_ = false;
    bool quit_ = false;
    std::uint64_t run_ = 0; // counts Enable calls, so a late receive result is recognised

    // Held by the worker from the moment it checks whether a line is still wanted until the
    // line is delivered; the owner takes it to know no delivery of an ended run is pending.
    std::mutex deliverMutex_;
    std::atomic<bool> active_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> delivered_{0};
    std::thread worker_;
};
