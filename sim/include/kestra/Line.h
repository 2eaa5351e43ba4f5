#pragma once
// The simulator's end of the line to the host: a pseudo-terminal or a serial device
// (SerialLine), or a listener for a host on the network (NetworkLine).

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

class Line {
public:
    virtual ~Line() = default;

    /// The descriptor to poll for the host's bytes (non-blocking); -1 while no host is there.
    virtual int Fd() const = 0;
    /// A descriptor that becomes readable when a host wants to connect; -1 for none.
    virtual int ListenFd() const { return -1; }
    /// Takes the host waiting at ListenFd. True when a new host now has the line: what was
    /// under way belonged to the host before.
    virtual bool Accept() { return false; }
    /// The host's descriptor failed: a network line lets the host go and waits for the next
    /// (true); for any other line this ends the simulation (false).
    virtual bool DropHost() { return false; }

    /// What a host opens: the pty slave, the device path or the network address.
    virtual const std::string& Path() const = 0;

    /// Whether the host sets the speed (a pty, RFC 2217), or the readers' speed rules.
    virtual bool HostSetsSpeed() const = 0;
    /// The speed bytes travel at now; 0 when it is none of the rates termios names.
    virtual unsigned LineBaud() const = 0;
    /// Whether bytes in the readers' frame (8 data bits, even parity when `parity`, one stop
    /// bit) pass unharmed, as far as the simulator can see the host's frame.
    virtual bool Carries(bool /*parity*/) const { return true; }
    /// Sets the speed and parity the readers run at, where the line has one of its own, after
    /// the bytes written so far have left. Nothing happens when both are set already.
    virtual void SetSpeed(unsigned baud, bool parity) = 0;

    /// Reads what is there, up to `size` bytes; 0 when nothing is.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
    /// Writes what the line takes now, without waiting; how many bytes that was (0 when the
    /// host has not read what came before, or the line failed).
    virtual std::size_t WriteSome(const std::uint8_t* bytes, std::size_t count) = 0;
    /// Bytes taken by WriteSome that still wait for the descriptor to take them.
    virtual bool Holds() const { return false; }
    /// Passes on what Holds, as far as the descriptor takes it now.
    virtual void Drain() {}
};

} // namespace kestra
