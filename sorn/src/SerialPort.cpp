#include "SerialPort.h"

#include "ErrorTable.h"
#include "PortMap.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace sorn {

namespace {

// A receive time-out of 0 still waits this long, so that a loop calling Receive neither
// spins a core nor sleeps through its stop flag.
constexpr int kZeroTimeoutSliceMs = 20;

struct BaudEntry {
    int baud;
    speed_t speed;
};
constexpr BaudEntry kBauds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                {9600, B9600},   {19200, B19200},  {38400, B38400},
                                {57600, B57600}, {115200, B115200}};

bool ParseInt(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) {
        return false;
    }
    value = v;
    return true;
}

bool ParseFlag(const std::string& text, bool& value) {
    if (text == "0" || text == "1") {
        value = text == "1";
        return true;
    }
    return false;
}

// "8E1": data bits 7 or 8, parity N, E or O, stop bits 1 or 2.
bool ValidFrame(const std::string& frame) {
    return frame.size() == 3 && (frame[0] == '7' || frame[0] == '8') &&
           (frame[1] == 'N' || frame[1] == 'E' || frame[1] == 'O') &&
           (frame[2] == '1' || frame[2] == '2');
}

// Unix98 pseudo-terminal slaves have majors 136 .. 143.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return false;
    }
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

int Remaining(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string Text(bool on) {
    return on ? "ON" : "OFF";
}

} // namespace

int SerialPort::OpenDevice(int number, int& fd) {
    const std::string path = PortMap::PathOf(number);
    if (path.empty()) {
        return kErrNoDevice;
    }
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return kErrNoDevice;
        case EACCES:
        case EPERM:
            return kErrNoPermission;
        case EBUSY:
            return kErrBusy;
        default:
            return kErrOpenFailed;
        }
    }
    if (!isatty(fd)) {
        ::close(fd);
        return kErrNotATerminal;
    }
    // TIOCEXCL keeps other openers out (root excepted); the advisory lock also catches a
    // second process of ours running as root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return kErrBusy;
    }
    ioctl(fd, TIOCEXCL);
    return kOk;
}

int SerialPort::Open(int number, std::unique_ptr<SerialPort>& port) {
    int fd = -1;
    if (const int rc = OpenDevice(number, fd); rc != kOk) {
        return rc;
    }
    auto opened = std::make_unique<SerialPort>(Key{}, fd, number, IsPseudoTerminal(fd));
    opened->path_ = PortMap::PathOf(number);
    if (const int rc = opened->ApplyTermios(opened->baud_, opened->frame_); rc != kOk) {
        return rc;
    }
    if (opened->hasModemLines_) {
        opened->SetLine(TIOCM_RTS, false);
        opened->SetLine(TIOCM_DTR, false);
    }
    opened->FlushInput();
    port = std::move(opened);
    return kOk;
}

SerialPort::SerialPort(Key, int fd, int number, bool isPty)
    : fd_(fd), number_(number), isPty_(isPty) {
    int bits = 0;
    hasModemLines_ = !isPty_ && ioctl(fd_, TIOCMGET, &bits) == 0;
}

SerialPort::~SerialPort() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        if (kernelRs485_) {
            ApplyDirectionControl(false, 0);
        }
        ::close(fd_);
    }
}

void SerialPort::MarkLost() {
    if (lost_) {
        return;
    }
    lost_ = true;
    ++losses_;
    kernelRs485_ = false;
    ::close(fd_);
    fd_ = -1;
}

int SerialPort::Checked(int rc) {
    if (rc == kErrDisconnected || (rc < 0 && HungUp())) {
        MarkLost();
        return kErrDisconnected;
    }
    return rc;
}

bool SerialPort::Reopen() {
    int fd = -1;
    if (OpenDevice(number_, fd) != kOk) {
        return false;
    }
    fd_ = fd;
    path_ = PortMap::PathOf(number_);
    isPty_ = IsPseudoTerminal(fd);
    int bits = 0;
    hasModemLines_ = !isPty_ && ioctl(fd_, TIOCMGET, &bits) == 0;
    if (ApplyTermios(baud_, frame_) != kOk) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    if (txTimeControl_) {
        ApplyDirectionControl(true, txDelayMs_);
    }
    if (!performance_) {
        ApplyLowLatency(true);
    }
    if (hasModemLines_) {
        SetLine(TIOCM_RTS, rts_);
        SetLine(TIOCM_DTR, dtr_);
    }
    FlushInput();
    lost_ = false;
    return true;
}

void SerialPort::Watch() {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock) {
        return; // a call is running: it notices a hang-up itself
    }
    if (!lost_) {
        if (HungUp()) {
            MarkLost();
        }
        return;
    }
    // A port the map named is not taken to the number's default device when its entry goes.
    struct stat st {};
    const std::string path = PortMap::PathOf(number_);
    const bool fellBack = path != path_ && path == PortMap::DefaultPathOf(number_);
    if (reconnect_ && !path.empty() && !fellBack && ::stat(path.c_str(), &st) == 0) {
        Reopen();
    }
}

int SerialPort::ApplyTermios(int baud, const std::string& frame) {
    speed_t speed = 0;
    for (const BaudEntry& entry : kBauds) {
        if (entry.baud == baud) {
            speed = entry.speed;
        }
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        return kErrApplyFailed;
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
            return kErrApplyFailed;
        }
    }
    baud_ = baud;
    frame_ = frame;
    return kOk;
}

int SerialPort::ApplyDirectionControl(bool on, int delayMs) {
    serial_rs485 rs485{};
    if (on) {
        rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.delay_rts_after_send = static_cast<__u32>(delayMs);
    }
    kernelRs485_ = ioctl(fd_, TIOCSRS485, &rs485) == 0 && on;
    // Without the kernel's RS-485 mode, WriteLocked raises RTS around the write itself.
    return kOk;
}

void SerialPort::ApplyLowLatency(bool on) {
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

int SerialPort::SetLine(int bit, bool on) {
    if (hasModemLines_ && ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) {
        return kErrApplyFailed;
    }
    (bit == TIOCM_RTS ? rts_ : dtr_) = on;
    return kOk;
}

int SerialPort::GetPara(const std::string& key, std::string& value) {
    std::lock_guard lock(mutex_);
    if (key == "PortNr") {
        value = std::to_string(number_);
    } else if (key == "baud") {
        value = std::to_string(baud_);
    } else if (key == "frame") {
        value = frame_;
    } else if (key == "timeout") {
        value = std::to_string(blockTimeoutMs_);
    } else if (key == "chartimeout") {
        value = std::to_string(charTimeoutMs_);
    } else if (key == "TxTimeControl") {
        value = txTimeControl_ ? "1" : "0";
    } else if (key == "Performance") {
        value = performance_ ? "1" : "0";
    } else if (key == "TxDelayTime") {
        value = std::to_string(txDelayMs_);
    } else if (key == "CharTimeoutMpy") {
        value = std::to_string(charTimeoutMpy_);
    } else if (key == "Timeout") {
        value = std::to_string(receiveTimeoutMs_);
    } else if (key == "Connected") {
        value = lost_ ? "0" : "1";
    } else if (key == "Losses") {
        value = std::to_string(losses_ % 10'000'000);
    } else if (key == "Reconnect") {
        value = reconnect_ ? "1" : "0";
    } else {
        return kErrUnknownKey;
    }
    return kOk;
}

int SerialPort::SetPara(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    if (key == "PortNr" || key == "Connected" || key == "Losses") {
        return kErrReadOnlyKey;
    }
    if (key == "Reconnect") {
        return ParseFlag(value, reconnect_) ? kOk : kErrBadValue;
    }
    if (lost_) {
        return kErrDisconnected;
    }
    return Checked(SetParaLocked(key, value));
}

int SerialPort::SetParaLocked(const std::string& key, const std::string& value) {
    int number = 0;
    bool flag = false;
    if (key == "baud") {
        if (!ParseInt(value, 1, 115200, number)) {
            return kErrBadBaud;
        }
        bool listed = false;
        for (const BaudEntry& entry : kBauds) {
            listed = listed || entry.baud == number;
        }
        return listed ? ApplyTermios(number, frame_) : kErrBadBaud;
    }
    if (key == "frame") {
        return ValidFrame(value) ? ApplyTermios(baud_, value) : kErrBadFrame;
    }
    if (key == "timeout") {
        return ParseInt(value, 1, 60000, blockTimeoutMs_) ? kOk : kErrBadValue;
    }
    if (key == "chartimeout") {
        return ParseInt(value, 1, 10000, charTimeoutMs_) ? kOk : kErrBadValue;
    }
    if (key == "CharTimeoutMpy") {
        return ParseInt(value, 1, 10, charTimeoutMpy_) ? kOk : kErrBadValue;
    }
    if (key == "Timeout") {
        return ParseInt(value, 0, 60000, receiveTimeoutMs_) ? kOk : kErrBadValue;
    }
    if (key == "TxDelayTime") {
        if (!ParseInt(value, 0, 999, txDelayMs_)) {
            return kErrBadValue;
        }
        return txTimeControl_ ? ApplyDirectionControl(true, txDelayMs_) : kOk;
    }
    if (key == "TxTimeControl") {
        if (!ParseFlag(value, flag)) {
            return kErrBadValue;
        }
        txTimeControl_ = flag;
        return ApplyDirectionControl(flag, txDelayMs_);
    }
    if (key == "Performance") {
        if (!ParseFlag(value, flag)) {
            return kErrBadValue;
        }
        performance_ = flag;
        ApplyLowLatency(!flag); // "0" asks for maximum performance
        return kOk;
    }
    return kErrUnknownKey;
}

int SerialPort::DoCommand(const std::string& command, const std::string& in, std::string& out,
                          bool& hasOut) {
    std::lock_guard lock(mutex_);
    hasOut = false;
    if (lost_) {
        // The lines set last are remembered, and set again when the device is back.
        if (command == "GetRTS" || command == "GetDTR") {
            return CommandLocked(command, in, out, hasOut);
        }
        return kErrDisconnected;
    }
    return Checked(CommandLocked(command, in, out, hasOut));
}

int SerialPort::CommandLocked(const std::string& command, const std::string& in, std::string& out,
                              bool& hasOut) {
    if (command == "SetRTS" || command == "SetDTR") {
        if (in != "ON" && in != "OFF") {
            return kErrBadCommandValue;
        }
        return SetLine(command == "SetRTS" ? TIOCM_RTS : TIOCM_DTR, in == "ON");
    }
    if (command == "FlushInQ") {
        FlushInput();
        return kOk;
    }
    hasOut = true;
    if (command == "GetRTS") {
        out = Text(rts_);
        return kOk;
    }
    if (command == "GetDTR") {
        out = Text(dtr_);
        return kOk;
    }
    if (command == "GetCTS" || command == "GetDSR") {
        int bits = 0;
        if (!hasModemLines_ || ioctl(fd_, TIOCMGET, &bits) != 0) {
            out = "OFF";
            return kOk;
        }
        out = Text((bits & (command == "GetCTS" ? TIOCM_CTS : TIOCM_DSR)) != 0);
        return kOk;
    }
    hasOut = false;
    return kErrUnknownCommand;
}

void SerialPort::FlushInput() {
    tcflush(fd_, TCIFLUSH);
}

bool SerialPort::HungUp() const {
    pollfd pfd{fd_, POLLIN, 0};
    return poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int SerialPort::WaitReadable(int timeoutMs) {
    pollfd pfd{fd_, POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int n = poll(&pfd, 1, Remaining(deadline));
        if (n > 0) {
            if (pfd.revents & POLLIN) {
                return 1;
            }
            return kErrDisconnected; // POLLHUP, POLLERR or POLLNVAL without data
        }
        if (n == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return kErrReadFailed;
        }
    }
}

int SerialPort::ReadUntilGap(unsigned char* buffer, int already, int wanted) {
    int got = already;
    while (got < wanted) {
        const ssize_t n = ::read(fd_, buffer + got, static_cast<size_t>(wanted - got));
        if (n > 0) {
            got += static_cast<int>(n);
            continue;
        }
        // With VMIN = VTIME = 0 an empty queue reads as 0, not as end of file; a device
        // that went away answers EIO or shows in the poll below.
        if ((n < 0 && errno == EIO) || (n == 0 && HungUp())) {
            return got > 0 ? got : kErrDisconnected;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return got > 0 ? got : kErrReadFailed;
        }
        const int ready = WaitReadable(CharTimeoutMs());
        if (ready <= 0) {
            // The gap ends the answer; a vanished device after some bytes still hands
            // over what came.
            return got > 0 ? got : (ready < 0 ? ready : kErrNothingReceived);
        }
    }
    return got;
}

int SerialPort::WriteAll(const unsigned char* data, int length) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(blockTimeoutMs_);
    int done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EIO) {
            return kErrDisconnected;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return kErrWriteFailed;
        }
        pollfd pfd{fd_, POLLOUT, 0};
        const int ready = poll(&pfd, 1, Remaining(deadline));
        if (ready == 0) {
            return kErrWriteTimeout;
        }
        if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            return kErrDisconnected;
        }
    }
    return done;
}

int SerialPort::WriteLocked(const unsigned char* data, int length) {
    // Direction control by hand: raise RTS for the write and drop it after the delay.
    const bool manualRts = txTimeControl_ && !kernelRs485_ && hasModemLines_;
    if (manualRts) {
        int bit = TIOCM_RTS;
        ioctl(fd_, TIOCMBIS, &bit);
    }
    const int rc = WriteAll(data, length);
    if (manualRts) {
        tcdrain(fd_);
        std::this_thread::sleep_for(std::chrono::milliseconds(txDelayMs_));
        int bit = TIOCM_RTS;
        ioctl(fd_, rts_ ? TIOCMBIS : TIOCMBIC, &bit);
    }
    return rc;
}

int SerialPort::Transceive(const unsigned char* send, int sendLength, unsigned char* receive,
                           int receiveSize) {
    std::lock_guard lock(mutex_);
    if (lost_) {
        return kErrDisconnected;
    }
    return Checked(TransceiveLocked(send, sendLength, receive, receiveSize));
}

int SerialPort::TransceiveLocked(const unsigned char* send, int sendLength, unsigned char* receive,
                                 int receiveSize) {
    FlushInput();
    if (const int rc = WriteLocked(send, sendLength); rc < 0) {
        return rc;
    }
    const int ready = WaitReadable(blockTimeoutMs_);
    if (ready <= 0) {
        return ready < 0 ? ready : kErrNothingReceived;
    }
    // Read the LEN byte first; it tells how many bytes make the answer.
    int got = ReadUntilGap(receive, 0, 1);
    if (got <= 0) {
        return got;
    }
    const int len = receive[0];
    // A first byte below 2 cannot be a LEN: read on until the line falls silent.
    const int wanted = len >= 2 ? std::min(len, receiveSize) : receiveSize;
    return ReadUntilGap(receive, got, wanted);
}

int SerialPort::Transmit(const unsigned char* data, int length) {
    std::lock_guard lock(mutex_);
    if (lost_) {
        return kErrDisconnected;
    }
    return Checked(WriteLocked(data, length));
}

int SerialPort::Receive(unsigned char* buffer, int size) {
    std::lock_guard lock(mutex_);
    if (lost_) {
        return kErrDisconnected;
    }
    const int timeout = receiveTimeoutMs_ > 0 ? receiveTimeoutMs_ : kZeroTimeoutSliceMs;
    const int ready = WaitReadable(timeout);
    if (ready <= 0) {
        return ready < 0 ? Checked(ready) : kErrNothingReceived;
    }
    const int got = ReadUntilGap(buffer, 0, size);
    return got == 0 ? kErrNothingReceived : Checked(got);
}

bool SerialPort::TryReadLines(bool& cts, bool& dsr) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    int bits = 0;
    if (!lock || lost_ || !hasModemLines_ || ioctl(fd_, TIOCMGET, &bits) != 0) {
        return false;
    }
    cts = (bits & TIOCM_CTS) != 0;
    dsr = (bits & TIOCM_DSR) != 0;
    return true;
}

} // namespace sorn
