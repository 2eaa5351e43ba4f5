#pragma once

#include "SerialPort.h"
#include "sorn.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace sorn {

// The process's open ports in opening order, their handles, and the thread that turns CTS
// and DSR changes into events for registered handlers and, about once a second, watches the
// ports for devices that went away or came back. The registry's lock guards the table only:
// no device is opened, closed or asked anything while it is held.
class PortRegistry {
public:
    // Never destroyed: other libraries' threads may still call in while the process exits.
    static PortRegistry& Instance();
    PortRegistry() = default;

    int Open(int number);
    int Close(int handle);
    std::shared_ptr<SerialPort> Find(int handle);
    int HandleOf(int number);
    int Next(int handle);
    int AddHandler(int handle, const SORN_EVENT_HANDLER& handler);
    int DelHandler(int handle, const SORN_EVENT_HANDLER& handler);

private:
    struct Entry {
        int handle;
        std::shared_ptr<SerialPort> port;
        std::vector<SORN_EVENT_HANDLER> handlers;
        bool linesKnown = false;
        bool cts = false;
        bool dsr = false;
    };
    struct Watched {
        int handle;
        std::shared_ptr<SerialPort> port;
    };
    struct Delivery {
        SORN_EVENT_HANDLER handler;
        int handle;
        int state;
    };

    Entry* EntryOf(int handle);
    void EnsureEventThread();
    void PollLines();
    void WatchPorts();
    static void Deliver(const Delivery& delivery);

    std::mutex mutex_;
    std::vector<Entry> ports_;
    std::set<int> opening_; // port numbers whose device is being opened
    int nextHandle_ = 1;
    std::thread eventThread_;
    std::condition_variable wake_;
};

} // namespace sorn
