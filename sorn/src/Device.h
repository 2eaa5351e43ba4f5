#pragma once
// What carries a port's bytes. The port keeps its number, settings, locks, frame logic and
// events; a device only moves bytes, applies line settings and reports its modem lines. A
// terminal (termios) is one kind of device, a connection to a device server on the network the
// other; every kind is used through this interface alone.

#include "sorn.h"

#include <functional>
#include <memory>
#include <string>

namespace sorn {

// The line settings a port applies to its device.
struct LineSettings {
    int baud = 9600;
    std::string frame = "8E1";     // data bits 7|8, parity N|E|O, stop bits 1|2
    bool directionControl = false; // RS-485: RTS raised for each write
    int directionDelayMs = 10;     // RTS dropped this long after the last byte
    bool lowLatency = false;       // ask the driver to hand over bytes at once
};

// What a device knows of the line behind it.
struct LineReport {
    bool control = true; // line settings and modem lines reach the line
    int baud = 0;        // the rate the line runs at as far as known; 0 when unknown
    std::string frame;   // likewise ("8E1"); empty when unknown
};

class Device {
public:
    virtual ~Device() = default; // closes the device

    // Waits up to `timeoutMs` for input. 1 when bytes (or the news that the device went
    // away) can be read, 0 after the time-out or once Interrupt was called, else a code
    // (-1040: the device went away).
    virtual int WaitReadable(int timeoutMs) = 0;
    // Reads what is there without waiting: the count (0 when nothing is), or a code.
    virtual int ReadAvailable(unsigned char* buffer, int size) = 0;
    // Writes all bytes within `timeoutMs`: the count, or a code.
    virtual int Write(const unsigned char* data, int length, int timeoutMs) = 0;
    // Drops what was received and not read yet.
    virtual void FlushInput() = 0;
    // Applies the settings, waiting up to `timeoutMs` where the far end answers them. 0, or a
    // code when the device refused them (it may have taken some of them).
    virtual int Apply(const LineSettings& settings, int timeoutMs) = 0;
    // Sets RTS (`rts`) or DTR, waiting up to `timeoutMs` where the far end answers it; a
    // device without modem lines accepts and ignores it.
    virtual int SetModemLine(bool rts, bool on, int timeoutMs) = 0;
    // CTS and DSR; false when the device has no modem lines or they could not be read.
    virtual bool ReadModemLines(bool& cts, bool& dsr) = 0;
    // What the device knows of the line; may be asked from any thread at any time.
    virtual LineReport Report() = 0;
    // True when the device went away (nothing to read will ever come).
    virtual bool HungUp() = 0;
    // Why it went away: -1040, or a code that says more (a server that closed the connection).
    virtual int LossReason() { return SORN_ERR_DISCONNECTED; }
    // Ends every wait on this device, now and later: the device is closing or was lost.
    virtual void Interrupt() = 0;
};

// Told of a device before it opens, so that another thread can Interrupt a slow open.
using OpeningHook = std::function<void(const std::shared_ptr<Device>&)>;

// Opens the device `path` names (a terminal's path, or a network address "rfc2217://host:port"
// or "tcp://host:port"), exclusively, as it is: the caller applies the settings. A network
// device connects within `timeoutMs`. 0 and the device, or the code of the failure.
int OpenDevice(const std::string& path, int timeoutMs, std::shared_ptr<Device>& device,
               const OpeningHook& opening = {});

} // namespace sorn
