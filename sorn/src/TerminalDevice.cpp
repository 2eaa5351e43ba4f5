#include "TerminalDevice.h"

#include "ErrorTable.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace sorn {

namespace {

using Clock = std::chrono::steady_clock;

struct BaudEntry {
    int baud;
    speed_t speed;
};
constexpr BaudEntry kBauds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                {9600, B9600},   {19200, B19200},  {38400, B38400},
                                {57600, B57600}, {115200, B115200}};

// Unix98 pseudo-terminal slaves have majors 136 .. 143.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return false;
    }
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

// Rounded up: a wait never ends just before its deadline, to be waited again for nothing.
int Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool Failed(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

int TerminalDevice::Open(const std::string& path, std::shared_ptr<Device>& device) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return SORN_ERR_NO_DEVICE;
        case EACCES:
        case EPERM:
            return SORN_ERR_NO_PERMISSION;
        case EBUSY:
            return SORN_ERR_BUSY;
        default:
            return SORN_ERR_OPEN_FAILED;
        }
    }
    if (!isatty(fd)) {
        ::close(fd);
        return SORN_ERR_NOT_A_TERMINAL;
    }
    // TIOCEXCL keeps other openers out (root excepted); the advisory lock also catches a
    // second process of ours running as root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return SORN_ERR_BUSY;
    }
    ioctl(fd, TIOCEXCL);
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        ::close(fd);
        return SORN_ERR_OPEN_FAILED;
    }
    device = std::make_shared<TerminalDevice>(fd, wake, IsPseudoTerminal(fd));
    return 0;
}

TerminalDevice::TerminalDevice(int fd, int wake, bool isPty) : fd_(fd), wake_(wake), isPty_(isPty) {
    int bits = 0;
    hasModemLines_ = !isPty_ && ioctl(fd_, TIOCMGET, &bits) == 0;
}

TerminalDevice::~TerminalDevice() {
    if (kernelRs485_) {
        ApplyDirectionControl(false, 0);
    }
    ::close(fd_);
    ::close(wake_);
}

void TerminalDevice::Interrupt() {
    const eventfd_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

int TerminalDevice::WaitReadable(int timeoutMs) {
    pollfd fds[] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int n = poll(fds, 2, Remaining(deadline));
        if (n > 0) {
            if (fds[1].revents != 0) {
                return 0;
            }
            if (fds[0].revents & POLLIN) {
                return 1;
            }
            return SORN_ERR_DISCONNECTED; // POLLHUP, POLLERR or POLLNVAL without data
        }
        if (n == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return SORN_ERR_READ_FAILED;
        }
    }
}

int TerminalDevice::ReadAvailable(unsigned char* buffer, int size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(size));
        if (n > 0) {
            return static_cast<int>(n);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // With VMIN = VTIME = 0 an empty queue reads as nothing, not as end of file; a device
        // that went away answers EIO or shows in a poll.
        if ((n < 0 && errno == EIO) || HungUp()) {
            return SORN_ERR_DISCONNECTED;
        }
        return n < 0 && errno != EAGAIN ? SORN_ERR_READ_FAILED : 0;
    }
}

int TerminalDevice::WriteAll(const unsigned char* data, int length, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EIO) {
            return SORN_ERR_DISCONNECTED;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return SORN_ERR_WRITE_FAILED;
        }
        pollfd fds[] = {{fd_, POLLOUT, 0}, {wake_, POLLIN, 0}};
        const int ready = poll(fds, 2, Remaining(deadline));
        if (ready == 0) {
            return SORN_ERR_WRITE_TIMEOUT;
        }
        if (ready > 0 && (fds[1].revents != 0 || Failed(fds[0].revents))) {
            return SORN_ERR_DISCONNECTED;
        }
    }
    return done;
}

int TerminalDevice::Write(const unsigned char* data, int length, int timeoutMs) {
    // Direction control by hand: raise RTS for the write and drop it after the delay.
    const bool manualRts = directionControl_ && !kernelRs485_ && hasModemLines_;
    if (manualRts) {
        int bit = TIOCM_RTS;
        ioctl(fd_, TIOCMBIS, &bit);
    }
    const int rc = WriteAll(data, length, timeoutMs);
    if (manualRts) {
        tcdrain(fd_);
        std::this_thread::sleep_for(std::chrono::milliseconds(directionDelayMs_));
        int bit = TIOCM_RTS;
        ioctl(fd_, rts_ ? TIOCMBIS : TIOCMBIC, &bit);
    }
    return rc;
}

void TerminalDevice::FlushInput() {
    tcflush(fd_, TCIFLUSH);
}

bool TerminalDevice::HungUp() {
    pollfd pfd{fd_, POLLIN, 0};
    return poll(&pfd, 1, 0) > 0 && Failed(pfd.revents);
}

int TerminalDevice::Apply(const LineSettings& settings, int /*timeoutMs*/) {
    if (const int rc = ApplyTermios(settings.baud, settings.frame); rc != 0) {
        return rc;
    }
    {
        std::lock_guard lock(appliedMutex_);
        applied_ = {true, settings.baud, settings.frame};
    }
    if (settings.directionControl || rs485Touched_) {
        ApplyDirectionControl(settings.directionControl, settings.directionDelayMs);
    }
    if (settings.lowLatency || latencyTouched_) {
        ApplyLowLatency(settings.lowLatency);
    }
    directionControl_ = settings.directionControl;
    directionDelayMs_ = settings.directionDelayMs;
    return 0;
}

int TerminalDevice::ApplyTermios(int baud, const std::string& frame) {
    speed_t speed = 0;
    for (const BaudEntry& entry : kBauds) {
        if (entry.baud == baud) {
            speed = entry.speed;
        }
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        return SORN_ERR_APPLY_FAILED;
    }
    cfmakeraw(&tio);
    // 0x11 and 0x13 are ordinary protocol bytes: no software flow control, no hardware one.
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | (frame[0] == '7' ? CS7 : CS8);
    if (frame[1] != 'N') {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
    }
    if (frame[1] == 'O') {
        tio.c_cflag |= PARODD;
    }
    if (frame[2] == '2') {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
        // A pseudo-terminal ignores parity and data bits; glibc then reports EINVAL although
        // the speed and the rest were taken over.
        if (!(isPty_ && errno == EINVAL)) {
            return SORN_ERR_APPLY_FAILED;
        }
    }
    return 0;
}

void TerminalDevice::ApplyDirectionControl(bool on, int delayMs) {
    rs485Touched_ = true;
    serial_rs485 rs485{};
    if (on) {
        rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.delay_rts_after_send = static_cast<__u32>(delayMs);
    }
    // Without the kernel's RS-485 mode, Write raises RTS around each write itself.
    kernelRs485_ = ioctl(fd_, TIOCSRS485, &rs485) == 0 && on;
}

void TerminalDevice::ApplyLowLatency(bool on) {
    latencyTouched_ = true;
    serial_struct ss{};
    if (ioctl(fd_, TIOCGSERIAL, &ss) != 0) {
        return; // not a UART driver: nothing to ask for
    }
    if (on) {
        ss.flags |= ASYNC_LOW_LATENCY;
    } else {
        ss.flags &= ~ASYNC_LOW_LATENCY;
    }
    ioctl(fd_, TIOCSSERIAL, &ss);
}

int TerminalDevice::SetModemLine(bool rts, bool on, int /*timeoutMs*/) {
    int bit = rts ? TIOCM_RTS : TIOCM_DTR;
    if (hasModemLines_ && ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) {
        return SORN_ERR_APPLY_FAILED;
    }
    if (rts) {
        rts_ = on;
    }
    return 0;
}

LineReport TerminalDevice::Report() {
    std::lock_guard lock(appliedMutex_);
    return applied_;
}

bool TerminalDevice::ReadModemLines(bool& cts, bool& dsr) {
    int bits = 0;
    if (!hasModemLines_ || ioctl(fd_, TIOCMGET, &bits) != 0) {
        return false;
    }
    cts = (bits & TIOCM_CTS) != 0;
    dsr = (bits & TIOCM_DSR) != 0;
    return true;
}

} // namespace sorn
