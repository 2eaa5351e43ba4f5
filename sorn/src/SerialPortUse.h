#pragma once

#include "SerialPort.h"

namespace sorn {

// A call's hold on its port's device: a lease (the device stays open, and Close waits until
// every lease is returned) and, when taken, the line. Released when it goes out of scope.
class SerialPort::Use {
public:
    explicit Use(SerialPort& port) : port_(port) {}
    ~Use() { Release(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

    // Takes the line, waiting until `deadline` for the call that has it or for another
    // thread's exchange. An exchange of this thread ends unless the call `continues` it.
    // 0, -1001 (closed), -1040 (lost), -1034 (still busy at the deadline).
    int TakeLine(Clock::time_point deadline, bool continues = false);
    // A lease without the line (to wait for bytes, or to ask the modem lines).
    int TakeLease();
    // A lease only when no call uses the device; false otherwise.
    bool TakeLeaseIfIdle();

    Device& Dev() { return *device_; }
    const std::shared_ptr<Device>& Shared() const { return device_; }

    // Whether the port was closed or lost its device since the lease was taken.
    bool Interrupted();

    // `rc` for a failed step: -1001 when the port was closed, -1040 after marking the device
    // lost when `rc` says so or the device hung up.
    int Failed(int rc);

    void Release();

private:
    void Lease();

    SerialPort& port_;
    std::shared_ptr<Device> device_;
    bool line_ = false;
};

} // namespace sorn
