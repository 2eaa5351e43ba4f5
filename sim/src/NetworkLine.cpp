#include "kestra/NetworkLine.h"

#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace kestra {

namespace {

// A host that vanished without closing holds the line no longer than this: keep-alive probes
// after 3 s of silence, 3 of them a second apart.
constexpr int kKeepIdleSeconds = 3;
constexpr int kKeepIntervalSeconds = 1;
constexpr int kKeepProbes = 3;
// Answers for a host that does not read are kept up to this much; beyond, the host is let go.
constexpr std::size_t kLongestPending = 64 * 1024;

[[noreturn]] void Fail(int error, const char* what) {
    throw std::system_error(error, std::generic_category(), what);
}

} // namespace

NetworkLine::NetworkLine(const NetworkAddress& address, unsigned baud, bool parity)
    : parity_(parity), baud_(baud), rfc2217_(address.mode == NetworkAddress::Mode::Rfc2217) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address.port);
    if (const int rc = getaddrinfo(address.host.c_str(), service.c_str(), &hints, &found);
        rc != 0) {
        throw std::system_error(EINVAL, std::generic_category(),
                                "listen address " + address.host + ": " + gai_strerror(rc));
    }
    listen_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    const bool bound =
        listen_ >= 0 && setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
        bind(listen_, found->ai_addr, found->ai_addrlen) == 0 && listen(listen_, 4) == 0;
    const int error = errno;
    freeaddrinfo(found);
    if (!bound) {
        if (listen_ >= 0) {
            close(listen_);
        }
        Fail(error, "listen");
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&local), &length);
    NetworkAddress actual = address;
    actual.port =
        ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(local).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(local).sin_port);
    url_ = actual.Url();
}

NetworkLine::~NetworkLine() {
    DropHost();
    close(listen_);
}

bool NetworkLine::Accept() {
    bool taken = false;
    for (int fd; (fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) {
        if (host_ >= 0) {
            close(fd); // one host at a time
            continue;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds,
                   sizeof kKeepIntervalSeconds);
        setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepProbes, sizeof kKeepProbes);
        host_ = fd;
        taken = true;
        if (rfc2217_) {
            // A new session; the line keeps its speed, as a device server's port does.
            telnet_.emplace(telnet_ ? telnet_->Baud() : baud_, parity_);
            telnet_->Start(pending_);
            Drain();
        }
    }
    return taken;
}

bool NetworkLine::DropHost() {
    if (host_ >= 0) {
        close(host_);
        host_ = -1;
    }
    pending_.clear();
    full_ = false;
    return true;
}

unsigned NetworkLine::LineBaud() const {
    return telnet_ ? telnet_->Baud() : baud_;
}

bool NetworkLine::Carries(bool parity) const {
    return !telnet_ || telnet_->Carries(parity);
}

void NetworkLine::SetSpeed(unsigned baud, bool /*parity*/) {
    if (!rfc2217_) {
        baud_ = baud; // the server's own setting follows its reader
    }
}

std::size_t NetworkLine::Read(std::uint8_t* buffer, std::size_t size) {
    if (host_ < 0) {
        return 0;
    }
    const ssize_t n = recv(host_, buffer, size, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        DropHost();
        return 0;
    }
    if (n < 0) {
        return 0;
    }
    if (!telnet_) {
        return static_cast<std::size_t>(n);
    }
    // Undoubling and taking out commands only shortens the bytes: they fit. The answers wait
    // for the next bytes to the host (an answer frame, as a rule), to go in one packet.
    data_.clear();
    telnet_->Feed({buffer, static_cast<std::size_t>(n)}, data_, pending_);
    std::copy(data_.begin(), data_.end(), buffer);
    return data_.size();
}

std::size_t NetworkLine::WriteSome(const std::uint8_t* bytes, std::size_t count) {
    if (host_ < 0) {
        return count;
    }
    if (full_) {
        Drain();
        if (full_) {
            return 0;
        }
    }
    if (telnet_) {
        telnet::AppendEscaped(pending_, {bytes, count});
    } else {
        pending_.insert(pending_.end(), bytes, bytes + count);
    }
    Drain();
    return count;
}

void NetworkLine::Drain() {
    if (host_ < 0 || pending_.empty()) {
        return;
    }
    const ssize_t n = send(host_, pending_.data(), pending_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
        pending_.erase(pending_.begin(), pending_.begin() + n);
    } else if ((n < 0 && errno != EAGAIN && errno != EINTR) || pending_.size() > kLongestPending) {
        DropHost();
    }
    full_ = !pending_.empty();
}

} // namespace kestra
