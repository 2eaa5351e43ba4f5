#include "SerialPortUse.h"

#include "ErrorTable.h"

#include <algorithm>

namespace sorn {

int SerialPort::Use::TakeLine(Clock::time_point deadline, bool continues) {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(port_.mutex_);
    if (!continues) {
        port_.EndExchangeOf(me);
    }
    for (;;) {
        if (port_.closed_) {
            return SORN_ERR_BAD_HANDLE;
        }
        if (port_.lost_) {
            return SORN_ERR_DISCONNECTED;
        }
        if (port_.exchange_.open && Clock::now() >= port_.exchange_.until) {
            port_.exchange_.open = false;
        }
        if (port_.LineFreeFor(me)) {
            break;
        }
        if (Clock::now() >= deadline) {
            return SORN_ERR_LINE_BUSY;
        }
        port_.changed_.wait_until(
            lock, port_.exchange_.open ? std::min(deadline, port_.exchange_.until) : deadline);
    }
    port_.lineBusy_ = true;
    line_ = true;
    Lease();
    return 0;
}

int SerialPort::Use::TakeLease() {
    std::lock_guard lock(port_.mutex_);
    if (port_.closed_) {
        return SORN_ERR_BAD_HANDLE;
    }
    if (port_.lost_) {
        return SORN_ERR_DISCONNECTED;
    }
    Lease();
    return 0;
}

bool SerialPort::Use::TakeLeaseIfIdle() {
    std::lock_guard lock(port_.mutex_);
    if (port_.closed_ || port_.lost_ || port_.lineBusy_ || port_.users_ > 0) {
        return false;
    }
    Lease();
    return true;
}

bool SerialPort::Use::Interrupted() {
    std::lock_guard lock(port_.mutex_);
    return port_.device_ != device_;
}

int SerialPort::Use::Failed(int rc) {
    {
        std::lock_guard lock(port_.mutex_);
        if (port_.closed_) {
            return SORN_ERR_BAD_HANDLE;
        }
    }
    if (rc == SORN_ERR_DISCONNECTED || (rc < 0 && device_->HungUp())) {
        port_.MarkLost(device_);
        return SORN_ERR_DISCONNECTED;
    }
    return rc;
}

void SerialPort::Use::Release() {
    if (!device_) {
        return;
    }
    // The device may close here (it was lost meanwhile), outside the lock; Close holds its
    // own reference, so it closes the device itself after the last release.
    device_.reset();
    {
        std::lock_guard lock(port_.mutex_);
        --port_.users_;
        if (line_) {
            port_.lineBusy_ = false;
            line_ = false;
        }
    }
    port_.changed_.notify_all();
}

void SerialPort::Use::Lease() {
    ++port_.users_;
    device_ = port_.device_;
}

} // namespace sorn
