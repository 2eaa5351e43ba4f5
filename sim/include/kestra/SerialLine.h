#pragma once
// The simulator's end of the line: a pseudo-terminal master or a real serial device.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

/// Owns the file descriptors of the line. For a pseudo-terminal it also keeps the slave open
/// (in raw mode), so the line settings a host makes survive its close, nothing the simulator
/// writes is ever echoed back, and reading the master never fails while no host is
/// attached. Moves only. Errors in opening throw std::system_error.
class SerialLine {
public:
    /// A new pseudo-terminal; the slave starts raw at `baud`.
    static SerialLine OpenPty(unsigned baud);

    /// The serial device at `path`, raw at `baud`, 8 data bits, even parity when `parity`.
    static SerialLine OpenDevice(const std::string& path, unsigned baud, bool parity);

    SerialLine(SerialLine&& other) noexcept;
    SerialLine& operator=(SerialLine&& other) noexcept;
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;
    ~SerialLine();

    /// The descriptor to poll for incoming bytes (non-blocking).
    int Fd() const { return fd_; }

    /// The device path a host opens: the pty slave or the device itself.
    const std::string& Path() const { return path_; }

    bool IsPty() const { return slaveFd_ >= 0; }

    /// The speed the host set on a pty (the master sees the slave's settings), or the speed
    /// the simulator set on a device. 0 when it is none of the rates termios names.
    unsigned LineBaud() const;

    /// Sets a device's speed and parity after the bytes written so far have left; a pty
    /// ignores it (its host sets the speed). Nothing happens when both are set already.
    void SetSpeed(unsigned baud, bool parity);

    /// Reads what is there, up to `size` bytes; 0 when nothing is.
    std::size_t Read(std::uint8_t* buffer, std::size_t size);

    /// Writes what the line takes now, without waiting; returns how many bytes that was (0
    /// when the host has not read what came before, or the device failed).
    std::size_t WriteSome(const std::uint8_t* bytes, std::size_t count);

private:
    SerialLine(int fd, int slaveFd, std::string path, unsigned baud, bool parity);
    void Close();

    int fd_ = -1;
    int slaveFd_ = -1;
    std::string path_;
    unsigned deviceBaud_ = 0;
    bool deviceParity_ = true;
};

} // namespace kestra
