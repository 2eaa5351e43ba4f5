#pragma once
// The simulator's end of a serial line: a pseudo-terminal master or a real serial device.

#include "kestra/Line.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestra {

/// Owns the file descriptors of the line. For a pseudo-terminal it also keeps the slave open
/// (in raw mode), so the line settings a host makes survive its close, nothing the simulator
/// writes is ever echoed back, and reading the master never fails while no host is
/// attached. Moves only. Errors in opening throw std::system_error.
class SerialLine : public Line {
public:
    /// A new pseudo-terminal; the slave starts raw at `baud`.
    static SerialLine OpenPty(unsigned baud);

    /// The serial device at `path`, raw at `baud`, 8 data bits, even parity when `parity`.
    static SerialLine OpenDevice(const std::string& path, unsigned baud, bool parity);

    SerialLine(SerialLine&& other) noexcept;
    SerialLine& operator=(SerialLine&& other) noexcept;
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;
    ~SerialLine() override;

    int Fd() const override { return fd_; }
    const std::string& Path() const override { return path_; }
    bool IsPty() const { return slaveFd_ >= 0; }
    /// A pty's host sets the speed (the master sees the slave's settings).
    bool HostSetsSpeed() const override { return IsPty(); }
    unsigned LineBaud() const override;
    /// A pty ignores it.
    void SetSpeed(unsigned baud, bool parity) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override;
    std::size_t WriteSome(const std::uint8_t* bytes, std::size_t count) override;

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
