#include "PortRegistry.h"

#include "ErrorTable.h"
#include "platform.h"

#include <algorithm>
#include <chrono>

namespace sorn {

namespace {
constexpr auto kLinePollInterval = std::chrono::milliseconds(20);
// How often a lost device's path is looked at, and idle ports are checked for a hang-up.
constexpr auto kWatchInterval = std::chrono::seconds(1);
constexpr int kMaxOpenPorts = 256;

bool SameRecord(const SORN_EVENT_HANDLER& a, const SORN_EVENT_HANDLER& b) {
    return a.event == b.event && a.message == b.message && a.mode == b.mode && a.target == b.target;
}
} // namespace

PortRegistry& PortRegistry::Instance() {
    static PortRegistry& registry = *std::make_unique<PortRegistry>().release();
    return registry;
}

PortRegistry::Entry* PortRegistry::EntryOf(int handle) {
    auto it = std::find_if(ports_.begin(), ports_.end(),
                           [handle](const Entry& e) { return e.handle == handle; });
    return it == ports_.end() ? nullptr : &*it;
}

int PortRegistry::Open(int number) {
    {
        std::lock_guard lock(mutex_);
        const bool open = std::any_of(ports_.begin(), ports_.end(), [number](const Entry& e) {
            return e.port->Number() == number;
        });
        if (open || opening_.contains(number)) {
            return SORN_ERR_ALREADY_OPEN;
        }
        if (ports_.size() + opening_.size() >= kMaxOpenPorts) {
            return SORN_ERR_TOO_MANY_PORTS;
        }
        opening_.insert(number);
    }
    // Outside the lock: a slow device holds up no other port.
    std::shared_ptr<SerialPort> port;
    const int rc = SerialPort::Open(number, port);
    std::lock_guard lock(mutex_);
    opening_.erase(number);
    if (rc != 0) {
        return rc;
    }
    const int handle = nextHandle_++;
    ports_.push_back(Entry{handle, std::move(port), {}});
    EnsureEventThread();
    return handle;
}

int PortRegistry::Close(int handle) {
    std::shared_ptr<SerialPort> closing;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(ports_.begin(), ports_.end(),
                               [handle](const Entry& e) { return e.handle == handle; });
        if (it == ports_.end()) {
            return SORN_ERR_BAD_HANDLE;
        }
        closing = std::move(it->port);
        ports_.erase(it);
    }
    // Calls still running on the port end at once; the device is closed when this returns.
    closing->Close();
    return 0;
}

std::shared_ptr<SerialPort> PortRegistry::Find(int handle) {
    std::lock_guard lock(mutex_);
    Entry* e = EntryOf(handle);
    return e ? e->port : nullptr;
}

int PortRegistry::HandleOf(int number) {
    std::lock_guard lock(mutex_);
    for (const Entry& e : ports_) {
        if (e.port->Number() == number) {
            return e.handle;
        }
    }
    return 0;
}

int PortRegistry::Next(int handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0) {
        return ports_.empty() ? 0 : ports_.front().handle;
    }
    for (size_t i = 0; i < ports_.size(); ++i) {
        if (ports_[i].handle == handle) {
            return i + 1 < ports_.size() ? ports_[i + 1].handle : 0;
        }
    }
    return SORN_ERR_BAD_HANDLE;
}

int PortRegistry::AddHandler(int handle, const SORN_EVENT_HANDLER& handler) {
    if ((handler.event != SORN_EVENT_CTS && handler.event != SORN_EVENT_DSR) ||
        (handler.mode != SORN_MODE_POST_WINDOW && handler.mode != SORN_MODE_CALLBACK) ||
        handler.target == 0) {
        return SORN_ERR_BAD_HANDLER;
    }
    std::lock_guard lock(mutex_);
    Entry* e = EntryOf(handle);
    if (!e) {
        return SORN_ERR_BAD_HANDLE;
    }
    for (const SORN_EVENT_HANDLER& h : e->handlers) {
        if (SameRecord(h, handler)) {
            return SORN_ERR_HANDLER_EXISTS;
        }
    }
    e->handlers.push_back(handler);
    EnsureEventThread();
    return 0;
}

int PortRegistry::DelHandler(int handle, const SORN_EVENT_HANDLER& handler) {
    std::lock_guard lock(mutex_);
    Entry* e = EntryOf(handle);
    if (!e) {
        return SORN_ERR_BAD_HANDLE;
    }
    auto it = std::find_if(e->handlers.begin(), e->handlers.end(),
                           [&](const SORN_EVENT_HANDLER& h) { return SameRecord(h, handler); });
    if (it == e->handlers.end()) {
        return SORN_ERR_NO_SUCH_HANDLER;
    }
    e->handlers.erase(it);
    return 0;
}

void PortRegistry::EnsureEventThread() {
    if (eventThread_.joinable()) {
        return;
    }
    // The registry lives as long as the process, so the thread may run until it ends.
    eventThread_ = std::thread([this] {
        auto nextWatch = std::chrono::steady_clock::now() + kWatchInterval;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                const bool lines = std::any_of(ports_.begin(), ports_.end(),
                                               [](const Entry& e) { return !e.handlers.empty(); });
                if (lines) {
                    wake_.wait_for(lock, kLinePollInterval);
                } else {
                    wake_.wait_until(lock, nextWatch);
                }
            }
            PollLines();
            if (std::chrono::steady_clock::now() >= nextWatch) {
                WatchPorts();
                nextWatch = std::chrono::steady_clock::now() + kWatchInterval;
            }
        }
    });
}

void PortRegistry::PollLines() {
    std::vector<Watched> watched;
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : ports_) {
            if (!e.handlers.empty()) {
                watched.push_back({e.handle, e.port});
            }
        }
    }
    std::vector<Delivery> deliveries;
    for (const Watched& w : watched) {
        bool cts = false;
        bool dsr = false;
        if (!w.port->ReadLines(cts, dsr)) {
            continue;
        }
        std::lock_guard lock(mutex_);
        Entry* e = EntryOf(w.handle);
        if (e == nullptr) {
            continue; // closed meanwhile
        }
        if (e->linesKnown) {
            for (const SORN_EVENT_HANDLER& h : e->handlers) {
                if (h.event == SORN_EVENT_CTS && cts != e->cts) {
                    deliveries.push_back({h, e->handle, cts ? 1 : 0});
                }
                if (h.event == SORN_EVENT_DSR && dsr != e->dsr) {
                    deliveries.push_back({h, e->handle, dsr ? 1 : 0});
                }
            }
        }
        e->linesKnown = true;
        e->cts = cts;
        e->dsr = dsr;
    }
    // Outside the lock: a callback may call back into Sorn.
    for (const Delivery& d : deliveries) {
        Deliver(d);
    }
}

void PortRegistry::WatchPorts() {
    std::vector<std::shared_ptr<SerialPort>> ports;
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : ports_) {
            ports.push_back(e.port);
        }
    }
    // Outside the lock: reopening a device reads the port map and opens a file.
    for (const auto& port : ports) {
        port->Watch();
    }
}

void PortRegistry::Deliver(const Delivery& d) {
    if (d.handler.mode == SORN_MODE_POST_WINDOW) {
        PLAT_PostMessage(static_cast<PLAT_HWND>(d.handler.target),
                         static_cast<uint32_t>(d.handler.message), static_cast<uintptr_t>(d.handle),
                         d.state);
    } else {
        reinterpret_cast<SORN_EVENT_CALLBACK>(d.handler.target)(d.handle, d.handler.event,
                                                                d.handler.message, d.state);
    }
}

} // namespace sorn
