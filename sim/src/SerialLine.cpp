#include "kestra/SerialLine.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace kestra {

namespace {

struct SpeedPair {
    unsigned baud;
    speed_t speed;
};

constexpr std::array<SpeedPair, 10> kSpeeds = {{{1200, B1200},
                                                {2400, B2400},
                                                {4800, B4800},
                                                {9600, B9600},
                                                {19200, B19200},
                                                {38400, B38400},
                                                {57600, B57600},
                                                {115200, B115200},
                                                {230400, B230400},
                                                {460800, B460800}}};

speed_t SpeedOf(unsigned baud) {
    for (const SpeedPair& pair : kSpeeds) {
        if (pair.baud == baud) {
            return pair.speed;
        }
    }
    throw std::invalid_argument("unsupported baud rate");
}

unsigned BaudOf(speed_t speed) {
    for (const SpeedPair& pair : kSpeeds) {
        if (pair.speed == speed) {
            return pair.baud;
        }
    }
    return 0;
}

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd, unsigned baud, bool parity) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        Fail("tcgetattr");
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(PARENB | PARODD | CSTOPB);
    if (parity) {
        tio.c_cflag |= PARENB;
    }
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, SpeedOf(baud));
    cfsetospeed(&tio, SpeedOf(baud));
    // A pty keeps no parity; glibc then reports EINVAL although the rest took effect.
    if (tcsetattr(fd, TCSANOW, &tio) != 0 && errno != EINVAL) {
        Fail("tcsetattr");
    }
}

} // namespace

SerialLine::SerialLine(int fd, int slaveFd, std::string path, unsigned baud, bool parity)
    : fd_(fd), slaveFd_(slaveFd), path_(std::move(path)), deviceBaud_(baud), deviceParity_(parity) {
}

SerialLine SerialLine::OpenPty(unsigned baud) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0) {
        Fail("posix_openpt");
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name)) {
        int saved = errno;
        close(master);
        errno = saved;
        Fail("pty set-up");
    }
    int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave < 0) {
        int saved = errno;
        close(master);
        errno = saved;
        Fail("open pty slave");
    }
    SerialLine line(master, slave, name, 0, true);
    MakeRaw(slave, baud, true);
    return line;
}

SerialLine SerialLine::OpenDevice(const std::string& path, unsigned baud, bool parity) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail("open device");
    }
    SerialLine line(fd, -1, path, baud, parity);
    MakeRaw(fd, baud, parity);
    return line;
}

SerialLine::SerialLine(SerialLine&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), slaveFd_(std::exchange(other.slaveFd_, -1)),
      path_(std::move(other.path_)), deviceBaud_(other.deviceBaud_),
      deviceParity_(other.deviceParity_) {}

SerialLine& SerialLine::operator=(SerialLine&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        slaveFd_ = std::exchange(other.slaveFd_, -1);
        path_ = std::move(other.path_);
        deviceBaud_ = other.deviceBaud_;
        deviceParity_ = other.deviceParity_;
    }
    return *this;
}

SerialLine::~SerialLine() {
    Close();
}

void SerialLine::Close() {
    if (slaveFd_ >= 0) {
        close(slaveFd_);
        slaveFd_ = -1;
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

unsigned SerialLine::LineBaud() const {
    if (!IsPty()) {
        return deviceBaud_;
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        return 0;
    }
    return BaudOf(cfgetospeed(&tio));
}

void SerialLine::SetSpeed(unsigned baud, bool parity) {
    if (IsPty() || (baud == deviceBaud_ && parity == deviceParity_)) {
        return;
    }
    tcdrain(fd_);
    MakeRaw(fd_, baud, parity);
    deviceBaud_ = baud;
    deviceParity_ = parity;
}

std::size_t SerialLine::Read(std::uint8_t* buffer, std::size_t size) {
    ssize_t n = read(fd_, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t SerialLine::WriteSome(const std::uint8_t* bytes, std::size_t count) {
    for (;;) {
        ssize_t n = write(fd_, bytes, count);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

} // namespace kestra
