#include "NetworkDevice.h"

#include "ErrorTable.h"
#include "HostLookup.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace sorn {

namespace {

using Clock = std::chrono::steady_clock;

// A server that vanished without closing (switched off, its cable pulled) is noticed by the
// kernel: on an idle connection after 3 s and three unanswered probes a second apart, with
// data under way when it stays unacknowledged for 6 s.
constexpr int kKeepIdleSeconds = 3;
constexpr int kKeepIntervalSeconds = 1;
constexpr int kKeepProbes = 3;
constexpr unsigned kUnacknowledgedMs = 6000;

// Data the port has not read yet is kept up to this much; beyond, the oldest goes, as a UART
// overruns.
constexpr std::size_t kLongestInbox = 64 * 1024;
// One look at the socket takes in at most this many chunks, so a flood cannot hold it.
constexpr int kChunksPerLook = 16;
constexpr std::size_t kChunk = 4096;
// While Apply waits for the server's answers, another thread may take them in; the wait looks
// again after this long.
constexpr int kAnswerSliceMs = 5;
// Sending a few protocol bytes on a live connection never takes long.
constexpr auto kControlSendTime = std::chrono::seconds(1);

int Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(std::min<long>(left.count(), 60'000)) : 0;
}

int ConnectFailure(int error) {
    switch (error) {
    case ECONNREFUSED:
        return SORN_ERR_REFUSED;
    case ETIMEDOUT:
        return SORN_ERR_NO_SERVER_ANSWER;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return SORN_ERR_UNREACHABLE;
    default:
        return SORN_ERR_OPEN_FAILED;
    }
}

// Why a connection that was up ended, from the error of a send or receive.
int EndReason(int error) {
    switch (error) {
    case ETIMEDOUT:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return SORN_ERR_SERVER_GONE;
    default:
        return SORN_ERR_SERVER_CLOSED;
    }
}

void SetSocketOptions(int fd) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds, sizeof kKeepIntervalSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepProbes, sizeof kKeepProbes);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUnacknowledgedMs, sizeof kUnacknowledgedMs);
}

// Connects `fd` (non-blocking) within `deadline`; `wake` ends the wait. 0 or a code.
int ConnectSocket(int fd, const SocketAddress& to, Clock::time_point deadline, int wake) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to.address), to.length) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return ConnectFailure(errno);
    }
    for (;;) {
        pollfd fds[] = {{fd, POLLOUT, 0}, {wake, POLLIN, 0}};
        const int n = poll(fds, 2, Remaining(deadline));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || fds[1].revents != 0) {
            return SORN_ERR_NO_SERVER_ANSWER;
        }
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        return error == 0 ? 0 : ConnectFailure(error);
    }
}

} // namespace

int NetworkDevice::Open(const NetworkAddress& address, int timeoutMs,
                        std::shared_ptr<Device>& device, const OpeningHook& opening) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int ready = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0 || ready < 0) {
        for (const int fd : {wake, ready}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return SORN_ERR_OPEN_FAILED;
    }
    auto created = std::make_shared<NetworkDevice>(address, wake, ready);
    if (opening) {
        opening(created);
    }
    if (const int rc = created->Connect(deadline); rc != 0) {
        return rc;
    }
    device = std::move(created);
    return 0;
}

NetworkDevice::NetworkDevice(const NetworkAddress& address, int wake, int ready)
    : address_(address), wake_(wake), ready_(ready) {
    if (address.mode == NetworkAddress::Mode::Rfc2217) {
        telnet_.emplace();
    }
}

NetworkDevice::~NetworkDevice() {
    for (const int fd : {fd_, wake_, ready_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

int NetworkDevice::Connect(Clock::time_point deadline) {
    std::vector<SocketAddress> addresses;
    if (const int rc = LookUpHost(address_.host, address_.port, deadline, wake_, addresses);
        rc != 0) {
        return rc;
    }
    int failure = SORN_ERR_NO_SERVER_ANSWER;
    for (const SocketAddress& to : addresses) {
        const int fd = socket(to.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            failure = SORN_ERR_OPEN_FAILED;
            continue;
        }
        SetSocketOptions(fd);
        const int rc = ConnectSocket(fd, to, deadline, wake_);
        if (rc == 0) {
            fd_ = fd;
            break;
        }
        ::close(fd);
        failure = rc;
        if (rc == SORN_ERR_NO_SERVER_ANSWER) {
            break; // the time is up
        }
    }
    if (fd_ < 0) {
        return failure;
    }
    if (telnet_) {
        return Ask([this](telnet::Bytes& out) { telnet_->Start(out); },
                   deadline + kControlSendTime);
    }
    return 0;
}

void NetworkDevice::Lose(int reason) {
    if (lost_ == 0) {
        lost_ = reason;
    }
    UpdateReady();
}

void NetworkDevice::UpdateReady() {
    // A thread that is not waiting looks at the inbox before it waits, so the descriptor is
    // needed only while others wait.
    eventfd_t value = 1;
    if (lost_ != 0 || (!inbox_.empty() && waiters_ > 0)) {
        if (!readySet_) {
            [[maybe_unused]] const ssize_t n = ::write(ready_, &value, sizeof value);
            readySet_ = true;
        }
    } else if (inbox_.empty() && readySet_) {
        [[maybe_unused]] const ssize_t n = ::read(ready_, &value, sizeof value);
        readySet_ = false;
    }
}

void NetworkDevice::TakeIn() {
    bool answers = false;
    {
        std::lock_guard lock(mutex_);
        if (lost_ != 0) {
            return;
        }
        std::vector<std::uint8_t>& data = incoming_;
        data.clear();
        unsigned char chunk[kChunk];
        for (int round = 0; round < kChunksPerLook; ++round) {
            const ssize_t n = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0) {
                if (telnet_) {
                    telnet_->Feed({chunk, static_cast<std::size_t>(n)}, data, outbox_);
                } else {
                    data.insert(data.end(), chunk, chunk + n);
                }
                if (static_cast<std::size_t>(n) < sizeof chunk) {
                    break; // all there was
                }
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0) {
                Lose(SORN_ERR_SERVER_CLOSED);
            } else if (errno != EAGAIN) {
                Lose(EndReason(errno));
            }
            break;
        }
        inbox_.insert(inbox_.end(), data.begin(), data.end());
        if (inbox_.size() > kLongestInbox) {
            inbox_.erase(inbox_.begin(), inbox_.end() - kLongestInbox);
        }
        UpdateReady();
        answers = !outbox_.empty();
    }
    if (answers) {
        FlushOutbox();
    }
}

void NetworkDevice::FlushOutbox() {
    std::unique_lock send(sendMutex_, std::try_to_lock);
    if (!send.owns_lock()) {
        return; // the send under way takes the outbox along
    }
    std::lock_guard lock(mutex_);
    if (outbox_.empty() || lost_ != 0) {
        return;
    }
    const ssize_t n = ::send(fd_, outbox_.data(), outbox_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
        outbox_.erase(outbox_.begin(), outbox_.begin() + n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        Lose(EndReason(errno));
    }
}

int NetworkDevice::SendAll(const telnet::Bytes& bytes, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            std::lock_guard lock(mutex_);
            Lose(EndReason(errno));
            return SORN_ERR_DISCONNECTED;
        }
        pollfd fds[] = {{fd_, POLLOUT, 0}, {wake_, POLLIN, 0}};
        const int ready = poll(fds, 2, Remaining(deadline));
        if (ready == 0) {
            return SORN_ERR_WRITE_TIMEOUT;
        }
        if (ready > 0 && fds[1].revents != 0) {
            return SORN_ERR_DISCONNECTED;
        }
    }
    return 0;
}

int NetworkDevice::WaitReadable(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // Right after a request, what came already is taken without a wait: an answer is often
    // there by the time its request has been sent.
    bool sent = false;
    {
        std::lock_guard lock(mutex_);
        std::swap(sent, sent_);
    }
    if (sent) {
        TakeIn();
    }
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!inbox_.empty()) {
                return 1;
            }
            if (lost_ != 0) {
                return SORN_ERR_DISCONNECTED;
            }
            ++waiters_;
        }
        pollfd fds[] = {{wake_, POLLIN, 0}, {ready_, POLLIN, 0}, {fd_, POLLIN, 0}};
        const int n = poll(fds, 3, Remaining(deadline));
        const int error = errno;
        {
            std::lock_guard lock(mutex_);
            --waiters_;
        }
        if (n < 0 && error != EINTR) {
            return SORN_ERR_READ_FAILED;
        }
        if (n == 0 || fds[0].revents != 0) {
            return 0;
        }
        if (fds[2].revents != 0) {
            TakeIn(); // protocol bytes alone keep the wait going
        }
    }
}

int NetworkDevice::ReadAvailable(unsigned char* buffer, int size) {
    bool empty = false;
    {
        std::lock_guard lock(mutex_);
        empty = inbox_.empty();
    }
    if (empty) {
        TakeIn();
    }
    std::lock_guard lock(mutex_);
    if (inbox_.empty()) {
        return lost_ != 0 ? SORN_ERR_DISCONNECTED : 0;
    }
    const auto n = std::min(inbox_.size(), static_cast<std::size_t>(size));
    std::copy_n(inbox_.begin(), n, buffer);
    inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(n));
    UpdateReady();
    return static_cast<int>(n);
}

int NetworkDevice::Write(const unsigned char* data, int length, int timeoutMs) {
    const std::span<const unsigned char> payload(data, static_cast<std::size_t>(length));
    // Behind the protocol bytes still due.
    const int rc = Ask(
        [&](telnet::Bytes& out) {
            if (telnet_) {
                telnet::AppendEscaped(out, payload);
            } else {
                out.insert(out.end(), payload.begin(), payload.end());
            }
        },
        Clock::now() + std::chrono::milliseconds(timeoutMs));
    std::lock_guard lock(mutex_);
    sent_ = true;
    return rc == 0 ? length : rc;
}

void NetworkDevice::FlushInput() {
    TakeIn();
    std::lock_guard lock(mutex_);
    inbox_.clear();
    UpdateReady();
    if (telnet_) {
        // It goes out with the next bytes sent (a request, as a rule, in the same packet) or
        // the next look at the socket.
        telnet_->Purge(outbox_);
    }
}

int NetworkDevice::Ask(const std::function<void(telnet::Bytes&)>& requests,
                       Clock::time_point deadline) {
    telnet::Bytes bytes;
    std::lock_guard send(sendMutex_);
    {
        std::lock_guard lock(mutex_);
        if (lost_ != 0) {
            return SORN_ERR_DISCONNECTED;
        }
        requests(outbox_);
        bytes.swap(outbox_);
    }
    return SendAll(bytes, deadline);
}

int NetworkDevice::AwaitAnswers(Clock::time_point deadline) {
    for (;;) {
        TakeIn();
        {
            std::lock_guard lock(mutex_);
            if (lost_ != 0) {
                return SORN_ERR_DISCONNECTED;
            }
            // The opening answers are waited for once; a server that ignored them is not
            // waited for again.
            if ((telnet_->Negotiated() || negotiationWaited_) && telnet_->Answered()) {
                negotiationWaited_ = true;
                return 0;
            }
        }
        const int left = Remaining(deadline);
        if (left == 0) {
            // A server that does not answer keeps its settings; the port goes on.
            std::lock_guard lock(mutex_);
            negotiationWaited_ = true;
            return 0;
        }
        pollfd fds[] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (poll(fds, 2, std::min(left, kAnswerSliceMs)) > 0 && fds[1].revents != 0) {
            return SORN_ERR_DISCONNECTED;
        }
    }
}

int NetworkDevice::Apply(const LineSettings& settings, int timeoutMs) {
    if (!telnet_) {
        return 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int rc =
        Ask([&](telnet::Bytes& out) { telnet_->SetLine(settings.baud, settings.frame, out); },
            deadline);
    return rc == 0 ? AwaitAnswers(deadline) : rc;
}

int NetworkDevice::SetModemLine(bool rts, bool on, int timeoutMs) {
    if (!telnet_) {
        return 0;
    }
    // The answer is waited for, so that a question about the lines that follows hears what
    // the server told of them after the change.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int rc = Ask([&](telnet::Bytes& out) { telnet_->SetModemLine(rts, on, out); }, deadline);
    return rc == 0 ? AwaitAnswers(deadline) : rc;
}

bool NetworkDevice::ReadModemLines(bool& cts, bool& dsr) {
    TakeIn();
    std::lock_guard lock(mutex_);
    return telnet_ && telnet_->ModemLines(cts, dsr);
}

LineReport NetworkDevice::Report() {
    std::lock_guard lock(mutex_);
    if (!telnet_) {
        return {false, 0, {}};
    }
    return {telnet_->ComPortActive(), telnet_->ConfirmedBaud(), telnet_->ConfirmedFrame()};
}

bool NetworkDevice::HungUp() {
    TakeIn();
    std::lock_guard lock(mutex_);
    return lost_ != 0 && inbox_.empty();
}

int NetworkDevice::LossReason() {
    std::lock_guard lock(mutex_);
    return lost_ != 0 ? lost_ : SORN_ERR_DISCONNECTED;
}

void NetworkDevice::Interrupt() {
    const eventfd_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

} // namespace sorn
