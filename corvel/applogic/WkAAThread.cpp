#include "WkAAThread.h"

#include "WkAutoAnswerFrames.h"
#include "common/TimeStamp.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <vector>

namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(1);
// "Nothing came within the time-out": the receive call itself has waited.
constexpr int kNothingReceived = -1030;
// Other failures (a port closed under the worker, say) return at once; the worker waits this
// long before it tries again rather than spinning.
constexpr auto kErrorPause = std::chrono::milliseconds(20);
// The port's device went away: the library reopens it within about a second once it is back,
// so asking a few times a second is soon enough.
constexpr int kDisconnected = -1040;
constexpr auto kDisconnectedPause = std::chrono::milliseconds(250);

} // namespace

WkAAThread::WkAAThread(ReceiveFunction receive, DeliverFunction deliver, StoppedFunction stopped)
    : receive_(std::move(receive)), deliver_(std::move(deliver)), stopped_(std::move(stopped)) {}

WkAAThread::~WkAAThread() {
    Quit();
}

bool WkAAThread::Start() {
    if (worker_.joinable()) {
        return true;
    }
    try {
        worker_ = std::thread(&WkAAThread::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void WkAAThread::Enable(int port) {
    {
        std::lock_guard lock(mutex_);
        port_ = port;
        ++run_;
        enabled_ = true;
    }
    gate_.notify_all();
}

void WkAAThread::WaitFor(const std::function<bool()>& done, const PumpFunction& pump) {
    while (!done()) {
        if (pump) {
            pump();
        }
        std::this_thread::sleep_for(kPumpInterval);
    }
}

void WkAAThread::Disable(const PumpFunction& pump) {
    {
        std::lock_guard lock(mutex_);
        enabled_ = false;
    }
    // A delivery that saw the old run still enabled may be waiting for the owner's thread;
    // once the worker lets go of the delivery lock, any later check sees the flag cleared.
    std::unique_lock delivering(deliverMutex_, std::defer_lock);
    WaitFor([&] { return delivering.try_lock(); }, pump);
}

void WkAAThread::Quit(const PumpFunction& pump) {
    if (!worker_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        enabled_ = false;
    }
    gate_.notify_all();
    WaitFor([&] { return finished_.load(); }, pump);
    worker_.join();
}

bool WkAAThread::IsEnabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

int WkAAThread::Port() const {
    std::lock_guard lock(mutex_);
    return port_;
}

namespace {

// The time stamp of now, as protocol lines carry it.
WkPackedTime Now() {
    char stamp[kTimeStampSize + 8] = {};
    MakeTimeStamp(stamp, true);
    WkPackedTime time = 0;
    ParseTimeStamp(stamp, time);
    return time;
}

} // namespace

void WkAAThread::Run() {
    std::vector<unsigned char> buffer(kReceiveSize);
    WkAutoAnswerFrames frames;
    std::uint64_t framesRun = 0;
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!enabled_) {
            if (active_.load()) {
                active_ = false;
                lock.unlock();
                if (stopped_) {
                    stopped_();
                }
                lock.lock();
                continue; // a Show may have come meanwhile
            }
            gate_.wait(lock, [&] { return enabled_ || quit_; });
            continue;
        }
        active_ = true;
        const int port = port_;
        const std::uint64_t run = run_;
        lock.unlock();
        if (run != framesRun) {
            frames.Clear(); // bytes of an earlier run are not part of this one
            framesRun = run;
        }

        // A receive function that claims more than it was given is held to the buffer.
        const int count = std::min(receive_(port, buffer.data(), kReceiveSize), kReceiveSize);
        std::vector<WkAutoAnswerFrames::Piece> pieces =
            count >= 1 ? frames.Add(buffer.data(), count) : frames.Gap();
        if (!pieces.empty()) {
            const WkPackedTime time = Now();
            const std::size_t lines = pieces.size();
            std::lock_guard delivering(deliverMutex_);
            lock.lock();
            const bool wanted = enabled_ && !quit_ && run_ == run;
            lock.unlock();
            if (wanted) {
                // A call that filled the buffer ends in the middle of a burst.
                deliver_(time, pieces, count < kReceiveSize);
                delivered_ += lines;
            }
        }
        if (count < 1 && count != kNothingReceived) {
            const auto pause = count == kDisconnected ? kDisconnectedPause : kErrorPause;
            lock.lock();
            gate_.wait_for(lock, pause, [&] { return !enabled_ || quit_ || run_ != run; });
            continue;
        }
        lock.lock();
    }
    active_ = false;
    finished_ = true;
}
