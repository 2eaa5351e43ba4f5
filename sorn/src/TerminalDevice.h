#pragma once

#include "Device.h"

#include <mutex>

namespace sorn {

// A terminal device (a UART, a USB adapter, a pseudo-terminal) through termios: raw, no flow
// control, non-blocking reads through poll. Its waits also watch an event descriptor, so
// Interrupt ends them at once.
class TerminalDevice : public Device {
public:
    // Opens `path` exclusively (TIOCEXCL and an advisory lock). 0, or the code.
    static int Open(const std::string& path, std::shared_ptr<Device>& device);

    TerminalDevice(int fd, int wake, bool isPty);
    ~TerminalDevice() override;
    TerminalDevice(const TerminalDevice&) = delete;
    TerminalDevice& operator=(const TerminalDevice&) = delete;

    int WaitReadable(int timeoutMs) override;
    int ReadAvailable(unsigned char* buffer, int size) override;
    int Write(const unsigned char* data, int length, int timeoutMs) override;
    void FlushInput() override;
    int Apply(const LineSettings& settings, int timeoutMs) override;
    int SetModemLine(bool rts, bool on, int timeoutMs) override;
    bool ReadModemLines(bool& cts, bool& dsr) override;
    LineReport Report() override;
    bool HungUp() override;
    void Interrupt() override;

private:
    int ApplyTermios(int baud, const std::string& frame);
    void ApplyDirectionControl(bool on, int delayMs);
    void ApplyLowLatency(bool on);
    int WriteAll(const unsigned char* data, int length, int timeoutMs);

    int fd_;
    int wake_; // eventfd: readable once Interrupt was called
    bool isPty_;
    bool hasModemLines_;
    bool kernelRs485_ = false;
    // The driver's own RS-485 and latency settings are left alone until the port asks.
    bool rs485Touched_ = false;
    bool latencyTouched_ = false;
    bool directionControl_ = false;
    int directionDelayMs_ = 10;
    bool rts_ = false;
    std::mutex appliedMutex_; // Report may be asked from any thread
    LineReport applied_;
};

} // namespace sorn
