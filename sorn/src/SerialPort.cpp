#include "SerialPort.h"

#include "SerialPortUse.h"

#include "DeviceIdentity.h"
#include "ErrorTable.h"
#include "ReaderFrame.h"
#include "common/NetworkAddress.h"
#include "common/PortMap.h"

#include <algorithm>
#include <sys/stat.h>

namespace sorn {

namespace {

using Clock = std::chrono::steady_clock;

// A receive time-out of 0 still waits this long, so that a loop calling Receive neither
// spins a core nor sleeps through its stop flag.
constexpr int kZeroTimeoutSliceMs = 20;
// An answer is searched for in at most this many bytes; beyond, they are handed over as
// they came.
constexpr std::size_t kLongestSearch = 1024;
constexpr int kChunk = 256;
// The block time-out of a port that was just opened; a network device connects within it.
constexpr int kOpeningTimeoutMs = 800;

constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

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

// Milliseconds until `deadline`, rounded up, so a wait never ends just before it.
int MillisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string Text(bool on) {
    return on ? "ON" : "OFF";
}

// What the port's path names: "tty", or the kind of network port.
std::string KindOf(const std::string& path) {
    const auto address = NetworkAddress::Parse(path);
    if (!address) {
        return "tty";
    }
    return address->mode == NetworkAddress::Mode::Rfc2217 ? "rfc2217" : "tcp";
}

// Brings a device that was just opened to the port's state: its line settings, RTS and DTR,
// nothing queued; all of it within `timeoutMs`.
int SetUp(Device& device, const LineSettings& line, bool rts, bool dtr, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (const int rc = device.Apply(line, timeoutMs); rc != 0) {
        return rc;
    }
    device.SetModemLine(true, rts, MillisUntil(deadline));
    device.SetModemLine(false, dtr, MillisUntil(deadline));
    device.FlushInput();
    return 0;
}

} // namespace

int SerialPort::Open(int number, std::shared_ptr<SerialPort>& port) {
    const std::string path = PortMap::DeviceOf(number);
    if (path.empty()) {
        return SORN_ERR_NO_DEVICE;
    }
    std::shared_ptr<Device> device;
    if (const int rc = OpenDevice(path, kOpeningTimeoutMs, device); rc != 0) {
        return rc;
    }
    if (const int rc = SetUp(*device, LineSettings{}, false, false, kOpeningTimeoutMs); rc != 0) {
        return rc;
    }
    port = std::make_shared<SerialPort>(Key{}, number, path, IdentityOf(path), std::move(device));
    return 0;
}

SerialPort::SerialPort(Key, int number, std::string path, std::string identity,
                       std::shared_ptr<Device> device)
    : number_(number), device_(std::move(device)), path_(std::move(path)),
      identity_(std::move(identity)) {}

SerialPort::~SerialPort() {
    Close();
}

void SerialPort::Close() {
    std::shared_ptr<Device> device;
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    closed_ = true;
    device = std::move(device_);
    for (const auto& waiting : {device, opening_}) {
        if (waiting) {
            waiting->Interrupt();
        }
    }
    changed_.notify_all();
    changed_.wait(lock, [this] { return users_ == 0; });
    lock.unlock();
    std::thread reopener;
    {
        std::lock_guard guard(reopenerMutex_);
        reopener = std::move(reopener_);
    }
    if (reopener.joinable()) {
        reopener.join(); // an attempt under way ends at once: its device was interrupted
    }
    // `device` is the last reference now: the device closes here.
}

bool SerialPort::LineFreeFor(std::thread::id thread) const {
    return !lineBusy_ && (!exchange_.open || exchange_.thread == thread);
}

void SerialPort::EndExchangeOf(std::thread::id thread) {
    if (exchange_.open && exchange_.thread == thread) {
        exchange_.open = false;
        changed_.notify_all();
    }
}

void SerialPort::MarkLost(const std::shared_ptr<Device>& device) {
    const int reason = device->LossReason();
    {
        std::lock_guard lock(mutex_);
        if (closed_ || device_ != device) {
            return;
        }
        device_.reset();
        lost_ = true;
        ++losses_;
        lostReason_ = reason;
        leftover_.clear();
        exchange_.open = false;
    }
    device->Interrupt();
    changed_.notify_all();
}

int SerialPort::GetPara(const std::string& key, std::string& value) {
    std::lock_guard lock(mutex_);
    if (key == "PortNr") {
        value = std::to_string(number_);
    } else if (key == "baud") {
        value = std::to_string(line_.baud);
    } else if (key == "frame") {
        value = line_.frame;
    } else if (key == "timeout") {
        value = std::to_string(blockTimeoutMs_);
    } else if (key == "chartimeout") {
        value = std::to_string(charTimeoutMs_);
    } else if (key == "TxTimeControl") {
        value = line_.directionControl ? "1" : "0";
    } else if (key == "Performance") {
        value = line_.lowLatency ? "0" : "1";
    } else if (key == "TxDelayTime") {
        value = std::to_string(line_.directionDelayMs);
    } else if (key == "CharTimeoutMpy") {
        value = std::to_string(charTimeoutMpy_);
    } else if (key == "Timeout") {
        value = std::to_string(receiveTimeoutMs_);
    } else if (key == "Connected") {
        value = lost_ ? "0" : "1";
    } else if (key == "Losses") {
        value = std::to_string(losses_ % 10'000'000);
    } else if (key == "LostReason") {
        value = std::to_string(lostReason_);
    } else if (key == "Reconnect") {
        value = reconnect_ ? "1" : "0";
    } else if (key == "Kind") {
        value = KindOf(path_);
    } else if (key == "LineControl" || key == "LineBaud" || key == "LineFrame") {
        const LineReport report = device_ ? device_->Report() : LineReport{false, 0, {}};
        value = key == "LineControl" ? (report.control ? "1" : "0")
                : key == "LineBaud"  ? std::to_string(report.baud)
                                     : report.frame;
    } else {
        return SORN_ERR_UNKNOWN_KEY;
    }
    return 0;
}

int SerialPort::SetPara(const std::string& key, const std::string& value) {
    if (key == "PortNr" || key == "Connected" || key == "Losses" || key == "LostReason" ||
        key == "Kind" || key == "LineControl" || key == "LineBaud" || key == "LineFrame") {
        return SORN_ERR_READ_ONLY_KEY;
    }
    std::unique_lock lock(mutex_);
    if (key == "Reconnect") {
        return ParseFlag(value, reconnect_) ? 0 : SORN_ERR_BAD_VALUE;
    }
    if (lost_) {
        return SORN_ERR_DISCONNECTED;
    }
    // Time-outs are the port's own: nothing on the line changes.
    if (key == "timeout") {
        return ParseInt(value, 1, 60000, blockTimeoutMs_) ? 0 : SORN_ERR_BAD_VALUE;
    }
    if (key == "chartimeout") {
        return ParseInt(value, 1, 10000, charTimeoutMs_) ? 0 : SORN_ERR_BAD_VALUE;
    }
    if (key == "CharTimeoutMpy") {
        return ParseInt(value, 1, 10, charTimeoutMpy_) ? 0 : SORN_ERR_BAD_VALUE;
    }
    if (key == "Timeout") {
        return ParseInt(value, 0, 60000, receiveTimeoutMs_) ? 0 : SORN_ERR_BAD_VALUE;
    }
    lock.unlock();
    int number = 0;
    bool flag = false;
    if (key == "baud") {
        if (!ParseInt(value, 1, 115200, number) ||
            std::find(std::begin(kBauds), std::end(kBauds), number) == std::end(kBauds)) {
            return SORN_ERR_BAD_BAUD;
        }
        return ChangeLine([number](LineSettings& line) { line.baud = number; });
    }
    if (key == "frame") {
        return ValidFrame(value) ? ChangeLine([&value](LineSettings& line) { line.frame = value; })
                                 : SORN_ERR_BAD_FRAME;
    }
    if (key == "TxDelayTime") {
        return ParseInt(value, 0, 999, number)
                   ? ChangeLine([number](LineSettings& line) { line.directionDelayMs = number; })
                   : SORN_ERR_BAD_VALUE;
    }
    if (key == "TxTimeControl") {
        return ParseFlag(value, flag)
                   ? ChangeLine([flag](LineSettings& line) { line.directionControl = flag; })
                   : SORN_ERR_BAD_VALUE;
    }
    if (key == "Performance") {
        // "0" asks for maximum performance.
        return ParseFlag(value, flag)
                   ? ChangeLine([flag](LineSettings& line) { line.lowLatency = !flag; })
                   : SORN_ERR_BAD_VALUE;
    }
    return SORN_ERR_UNKNOWN_KEY;
}

int SerialPort::ChangeLine(const std::function<void(LineSettings&)>& change) {
    Use use(*this);
    if (const int rc = use.TakeLine(Clock::now() + std::chrono::milliseconds(BlockTimeoutMs()));
        rc != 0) {
        return rc;
    }
    LineSettings settings;
    int timeout = 0;
    {
        std::lock_guard lock(mutex_);
        settings = line_;
        timeout = blockTimeoutMs_;
    }
    change(settings);
    if (const int rc = use.Dev().Apply(settings, timeout); rc != 0) {
        return use.Failed(rc);
    }
    std::lock_guard lock(mutex_);
    line_ = settings;
    return 0;
}

int SerialPort::BlockTimeoutMs() {
    std::lock_guard lock(mutex_);
    return blockTimeoutMs_;
}

int SerialPort::DoCommand(const std::string& command, const std::string& in, std::string& out,
                          bool& hasOut) {
    hasOut = false;
    if (command == "GetRTS" || command == "GetDTR") {
        // The lines set last are remembered, also while the device is lost, and set again
        // when it is back.
        std::lock_guard lock(mutex_);
        out = Text(command == "GetRTS" ? rts_ : dtr_);
        hasOut = true;
        return 0;
    }
    Use use(*this);
    if (command == "GetCTS" || command == "GetDSR") {
        if (const int rc = use.TakeLease(); rc != 0) {
            return rc;
        }
        bool cts = false;
        bool dsr = false;
        const bool known = use.Dev().ReadModemLines(cts, dsr);
        out = Text(known && (command == "GetCTS" ? cts : dsr));
        hasOut = true;
        return 0;
    }
    const bool rts = command == "SetRTS";
    if (!rts && command != "SetDTR" && command != "FlushInQ") {
        return SORN_ERR_UNKNOWN_COMMAND;
    }
    if (command != "FlushInQ" && in != "ON" && in != "OFF") {
        return SORN_ERR_BAD_COMMAND_VALUE;
    }
    if (const int rc = use.TakeLine(Clock::now() + std::chrono::milliseconds(BlockTimeoutMs()));
        rc != 0) {
        return rc;
    }
    if (command == "FlushInQ") {
        use.Dev().FlushInput();
        std::lock_guard lock(mutex_);
        leftover_.clear();
        return 0;
    }
    if (const int rc = use.Dev().SetModemLine(rts, in == "ON", BlockTimeoutMs()); rc != 0) {
        return use.Failed(rc);
    }
    std::lock_guard lock(mutex_);
    (rts ? rts_ : dtr_) = in == "ON";
    return 0;
}

void SerialPort::KeepForLater(std::vector<unsigned char> bytes) {
    std::lock_guard lock(mutex_);
    bytes.insert(bytes.end(), leftover_.begin(), leftover_.end());
    leftover_ = std::move(bytes);
}

int SerialPort::ReadFrame(Use& use, unsigned char* receive, int receiveSize,
                          Clock::time_point deadline) {
    std::vector<unsigned char> bytes;
    int charTimeout = 0;
    {
        std::lock_guard lock(mutex_);
        bytes.swap(leftover_);
        charTimeout = CharTimeoutMs();
    }
    // Hands over bytes[at, at + count) and keeps what follows for the next read.
    auto deliver = [&](std::size_t at, std::size_t count) {
        const std::size_t n =
            std::min({count, bytes.size() - at, static_cast<std::size_t>(receiveSize)});
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, receive);
        KeepForLater({bytes.begin() + static_cast<std::ptrdiff_t>(at + n), bytes.end()});
        return static_cast<int>(n);
    };
    bool silent = false;
    int failure = 0;
    Clock::time_point lastByte;
    for (;;) {
        if (const auto frame = FindFrame(bytes, silent)) {
            return deliver(frame->at, frame->length);
        }
        if (silent || bytes.size() >= kLongestSearch) {
            if (bytes.empty()) {
                return failure != 0 ? failure : SORN_ERR_NOTHING_RECEIVED;
            }
            if (failure != 0) {
                use.Failed(failure); // the port is lost from now on, these bytes still go
            }
            // No frame in them: as they came, as far as a first byte that may be a LEN
            // reaches (below 2 it cannot be one).
            return deliver(0, bytes[0] >= 2 ? bytes[0] : bytes.size());
        }
        // The first byte is waited for until the deadline, each further one for the
        // character time-out after the one before.
        const auto until =
            bytes.empty() ? deadline : lastByte + std::chrono::milliseconds(charTimeout);
        const int ready = use.Dev().WaitReadable(MillisUntil(until));
        if (ready == 0 && use.Interrupted()) {
            return SORN_ERR_DISCONNECTED;
        }
        int n = 0;
        unsigned char chunk[kChunk];
        if (ready > 0) {
            n = use.Dev().ReadAvailable(chunk, kChunk);
        }
        if (ready < 0 || n < 0) {
            // A device that vanished after some bytes still hands over what came.
            failure = ready < 0 ? ready : n;
            silent = true;
        } else if (n > 0) {
            lastByte = Clock::now();
            bytes.insert(bytes.end(), chunk, chunk + n);
        } else if (Clock::now() >= until) {
            silent = true; // the character time-out passed, or nothing came at all
        }
    }
}

int SerialPort::Transceive(const unsigned char* send, int sendLength, unsigned char* receive,
                           int receiveSize) {
    Use use(*this);
    if (const int rc = use.TakeLine(Clock::now() + std::chrono::milliseconds(BlockTimeoutMs()));
        rc != 0) {
        return rc;
    }
    int blockTimeout = 0;
    {
        std::lock_guard lock(mutex_);
        leftover_.clear();
        blockTimeout = blockTimeoutMs_;
    }
    use.Dev().FlushInput();
    if (const int rc = use.Dev().Write(send, sendLength, blockTimeout); rc < 0) {
        return use.Failed(rc);
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(blockTimeout);
    const int n = ReadFrame(use, receive, receiveSize, deadline);
    if (n < 0) {
        return use.Failed(n);
    }
    const std::span<const unsigned char> request(send, static_cast<std::size_t>(sendLength));
    if (IsRequestFrame(request) && !Answers(request, {receive, static_cast<std::size_t>(n)})) {
        // Not the answer (a frame the reader sent by itself, say): the line stays this
        // thread's for NextAnswer until the block time-out.
        std::lock_guard lock(mutex_);
        exchange_ = Exchange{true, std::this_thread::get_id(), deadline, {send, send + sendLength}};
    }
    return n;
}

int SerialPort::NextAnswer(unsigned char* receive, int receiveSize) {
    const auto me = std::this_thread::get_id();
    Exchange exchange;
    {
        std::lock_guard lock(mutex_);
        if (!exchange_.open || exchange_.thread != me || Clock::now() >= exchange_.until) {
            EndExchangeOf(me);
            return SORN_ERR_NOTHING_RECEIVED;
        }
        exchange = exchange_;
    }
    Use use(*this);
    const int rc = use.TakeLine(exchange.until, true);
    int n = rc == 0 ? ReadFrame(use, receive, receiveSize, exchange.until) : rc;
    if (n == SORN_ERR_LINE_BUSY) {
        n = SORN_ERR_NOTHING_RECEIVED;
    }
    if (n <= 0 || Answers(exchange.request, {receive, static_cast<std::size_t>(n)})) {
        std::lock_guard lock(mutex_);
        EndExchangeOf(me);
    }
    return n < 0 && rc == 0 ? use.Failed(n) : n;
}

int SerialPort::Transmit(const unsigned char* data, int length) {
    Use use(*this);
    if (const int rc = use.TakeLine(Clock::now() + std::chrono::milliseconds(BlockTimeoutMs()));
        rc != 0) {
        return rc;
    }
    const int rc = use.Dev().Write(data, length, BlockTimeoutMs());
    return rc < 0 ? use.Failed(rc) : rc;
}

int SerialPort::Receive(unsigned char* buffer, int size) {
    Clock::time_point until;
    int charTimeout = 0;
    {
        std::unique_lock lock(mutex_);
        EndExchangeOf(std::this_thread::get_id());
        until = Clock::now() + std::chrono::milliseconds(
                                   receiveTimeoutMs_ > 0 ? receiveTimeoutMs_ : kZeroTimeoutSliceMs);
        charTimeout = CharTimeoutMs();
        // A lost device answers only after the time-out, so that a receive loop above stays
        // idle; one that is back within it is read.
        changed_.wait_until(lock, until, [this] { return closed_ || !lost_; });
    }
    int got = 0;
    for (;;) {
        // Wait for bytes with a lease only: exchanges and questions go on meanwhile.
        {
            Use wait(*this);
            if (const int rc = wait.TakeLease(); rc != 0) {
                return got > 0 ? got : rc;
            }
            bool leftover = false;
            {
                std::lock_guard lock(mutex_);
                leftover = !leftover_.empty();
            }
            const int ready = leftover ? 1 : wait.Dev().WaitReadable(MillisUntil(until));
            if (ready < 0) {
                const int rc = wait.Failed(ready);
                return got > 0 ? got : rc;
            }
            if (ready == 0) {
                if (wait.Interrupted() || Clock::now() < until) {
                    continue; // the lease tells what became of the port
                }
                return got > 0 ? got : SORN_ERR_NOTHING_RECEIVED;
            }
        }
        // Take the line just to read what came.
        Use read(*this);
        if (const int rc = read.TakeLine(until); rc != 0) {
            return got > 0 ? got : (rc == SORN_ERR_LINE_BUSY ? SORN_ERR_NOTHING_RECEIVED : rc);
        }
        int n = 0;
        {
            std::lock_guard lock(mutex_);
            n = static_cast<int>(std::min(leftover_.size(), static_cast<std::size_t>(size - got)));
            std::copy_n(leftover_.begin(), n, buffer + got);
            leftover_.erase(leftover_.begin(), leftover_.begin() + n);
        }
        if (n == 0) {
            n = read.Dev().ReadAvailable(buffer + got, size - got);
        }
        if (n < 0) {
            const int rc = read.Failed(n);
            return got > 0 ? got : rc;
        }
        got += n;
        if (got >= size) {
            return got;
        }
        if (n > 0) {
            // The next byte belongs to this burst only when it comes within the character
            // time-out.
            until = Clock::now() + std::chrono::milliseconds(charTimeout);
        } else if (Clock::now() >= until) {
            return got > 0 ? got : SORN_ERR_NOTHING_RECEIVED; // protocol bytes only
        }
    }
}

bool SerialPort::ReadLines(bool& cts, bool& dsr) {
    Use use(*this);
    return use.TakeLease() == 0 && use.Dev().ReadModemLines(cts, dsr);
}

void SerialPort::Watch() {
    bool lost = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        lost = lost_;
    }
    if (lost) {
        TryReopen();
        return;
    }
    // A call that runs notices a hang-up itself.
    Use use(*this);
    if (use.TakeLeaseIfIdle() && use.Dev().HungUp()) {
        MarkLost(use.Shared());
    }
}

void SerialPort::TryReopen() {
    std::string oldPath;
    std::string oldIdentity;
    LineSettings line;
    bool rts = false;
    bool dtr = false;
    int timeout = 0;
    {
        std::lock_guard lock(mutex_);
        if (!reconnect_) {
            lostReason_ = SORN_ERR_DISCONNECTED;
            return;
        }
        if (reopening_) {
            return;
        }
        oldPath = path_;
        oldIdentity = identity_;
        line = line_;
        rts = rts_;
        dtr = dtr_;
        timeout = blockTimeoutMs_;
    }
    // Nothing below holds a lock: looking at the device and opening it may take a while.
    const std::string path = PortMap::DeviceOf(number_);
    // A port the map named is not taken to the number's default device when its entry goes.
    const bool fellBack = path != oldPath && path == PortMap::DefaultDeviceOf(number_);
    if (path.empty() || fellBack) {
        Reinstate(nullptr, path, SORN_ERR_UNMAPPED);
        return;
    }
    if (NetworkAddress::IsUrl(path) || NetworkAddress::IsUrl(oldPath)) {
        // A network port's identity is its address.
        if (path != oldPath) {
            Reinstate(nullptr, path, SORN_ERR_OTHER_DEVICE);
        } else {
            StartReopening(path, line, rts, dtr, timeout);
        }
        return;
    }
    struct stat st {};
    int reason = SORN_ERR_DISCONNECTED;
    std::shared_ptr<Device> device;
    if (::stat(path.c_str(), &st) == 0) {
        const Node node{st.st_dev, st.st_ino,
                        st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec};
        // When in doubt (an identity that cannot be told), the port stays lost.
        if (node == refusedNode_ || IdentityOf(path) != oldIdentity || oldIdentity.empty()) {
            reason = SORN_ERR_OTHER_DEVICE;
            refusedNode_ = node;
        } else if (OpenDevice(path, timeout, device) != 0 ||
                   SetUp(*device, line, rts, dtr, timeout) != 0) {
            device.reset();
        }
    }
    Reinstate(std::move(device), path, reason);
}

void SerialPort::StartReopening(const std::string& path, const LineSettings& line, bool rts,
                                bool dtr, int timeoutMs) {
    std::lock_guard guard(reopenerMutex_);
    {
        std::lock_guard lock(mutex_);
        if (closed_ || reopening_) {
            return;
        }
        reopening_ = true;
    }
    if (reopener_.joinable()) {
        reopener_.join(); // the attempt before ended already
    }
    reopener_ = std::thread([this, path, line, rts, dtr, timeoutMs] {
        std::shared_ptr<Device> device;
        int rc =
            OpenDevice(path, timeoutMs, device, [this](const std::shared_ptr<Device>& opening) {
                std::lock_guard lock(mutex_);
                opening_ = opening;
                if (closed_) {
                    opening->Interrupt();
                }
            });
        if (rc == 0) {
            rc = SetUp(*device, line, rts, dtr, timeoutMs);
        }
        Reinstate(rc == 0 ? std::move(device) : nullptr, path, rc);
        std::lock_guard lock(mutex_);
        opening_.reset();
        reopening_ = false;
    });
}

void SerialPort::Reinstate(std::shared_ptr<Device> device, const std::string& path, int reason) {
    std::lock_guard lock(mutex_);
    if (closed_ || !lost_) {
        return; // `device`, if any, closes again
    }
    if (!device) {
        lostReason_ = reason;
        return;
    }
    device_ = std::move(device);
    path_ = path;
    lost_ = false;
    lostReason_ = 0;
    leftover_.clear();
    changed_.notify_all();
}

} // namespace sorn
