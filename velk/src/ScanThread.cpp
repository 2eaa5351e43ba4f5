#include "ScanThread.h"

#include "LogLine.h"
#include "Reader.h"
#include "sorn.h"

#include <chrono>
#include <cstring>
#include <system_error>

ScanThread::~ScanThread() {
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
}

bool ScanThread::Start(std::shared_ptr<Reader> reader) {
    if (thread_.joinable())
        return false;
    stop_.store(false);
    std::promise<void> ended;
    std::future<void> endedFuture = ended.get_future();
    try {
        thread_ =
            std::thread([reader = std::move(reader), ended = std::move(ended), this]() mutable {
                RunScanLoop(*reader, stop_);
                ended.set_value();
                // `reader` may be the last reference: the reader (and this object) may go here.
            });
    } catch (const std::system_error&) {
        return false;
    }
    ended_ = std::move(endedFuture);
    return true;
}

bool ScanThread::RequestStopAndWait(std::chrono::milliseconds timeout) {
    if (!thread_.joinable())
        return true;
    stop_.store(true);
    std::this_thread::yield();
    if (ended_.wait_for(timeout) != std::future_status::ready)
        return false;
    thread_.join();
    ended_ = {};
    return true;
}

bool ScanThread::JoinOrDetach(std::chrono::milliseconds timeout) {
    if (!thread_.joinable())
        return true;
    stop_.store(true);
    if (ended_.wait_for(timeout) != std::future_status::ready) {
        thread_.detach();
        ended_ = {};
        return false;
    }
    thread_.join();
    ended_ = {};
    return true;
}

bool ScanThread::JoinIfEnded() {
    if (!thread_.joinable())
        return true;
    if (ended_.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        return false;
    thread_.join();
    ended_ = {};
    return true;
}

bool StartScanThread(Reader& reader) {
    // A thread left over from a stop that timed out counts only while it still runs.
    if (!reader.Scan().JoinIfEnded())
        return false;
    reader.SetHandOverLocked(true);
    const bool started = reader.Scan().Start(reader.shared_from_this());
    reader.SetHandOverLocked(false);
    return started;
}

bool StopScanThread(Reader& reader) {
    using namespace std::chrono_literals;
    if (!reader.Scan().Recorded())
        return true;
    reader.SetHandOverLocked(true);
    if (reader.Scan().IsCurrentThread()) {
        reader.Scan().RequestStop();
        return false;
    }
    std::this_thread::yield();
    for (int i = 0; i < 10 && reader.HandOverBusy(); ++i)
        std::this_thread::sleep_for(10ms);
    if (!reader.Scan().RequestStopAndWait(1000ms))
        return false;
    reader.SetHandOverLocked(false);
    return true;
}

void RunScanLoop(Reader& reader, const std::atomic<bool>& stop) {
    const int port = reader.PortHandle();
    char saved[12] = {};
    SORN_GetPortPara(port, "Timeout", saved);
    SORN_SetPortPara(port, "Timeout", "0");
    char empty[16] = {};
    SORN_DoPortCmd(port, "FlushInQ", empty);

    unsigned char received[Reader::kScanBufferSize];
    while (!stop.load()) {
        std::memset(received, 0, sizeof received);
        const int n = SORN_Receive(port, received, Reader::kScanBufferSize);
        if (n > 0) {
            if (!reader.BeginHandOver())
                continue; // locked: the bytes are dropped
            reader.StoreScanData(received, n);
            reader.EndHandOver();
        } else if (n < 0 && n != SORN_ERR_NOTHING_RECEIVED) {
            std::memset(empty, 0, sizeof empty);
            SORN_DoPortCmd(port, "FlushInQ", empty);
        }
    }
    SORN_SetPortPara(port, "Timeout", saved);
}
