#pragma once
// A device server on the loopback for tests: it listens on a free port and serves one
// connection at a time. Over RFC 2217 it is the simulator's own server side, which answers the
// negotiation and the settings, so what a test reads and writes is data; raw, the bytes go as
// they are. One thread serves the socket; the test's calls hand it their work.

#include "LinePeer.h"
#include "kestra/Rfc2217Server.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <functional>
#include <linux/sockios.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

/// 127.0.0.1 at `port`.
inline sockaddr_in LoopbackAddress(unsigned port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

class SocketPeer : public LinePeer {
public:
    enum class Mode { Raw, Rfc2217 };

    explicit SocketPeer(Mode mode) : mode_(mode), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        Listen();
        thread_ = std::thread([this] { Serve(); });
    }
    ~SocketPeer() override {
        Do([this] { stop_ = true; });
        thread_.join();
        for (const int fd : {listen_, host_, wake_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    SocketPeer(const SocketPeer&) = delete;
    SocketPeer& operator=(const SocketPeer&) = delete;

    unsigned Port() const { return port_; }
    std::string MapEntry() const override {
        return (mode_ == Mode::Rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
               std::to_string(port_);
    }

    void Write(const std::vector<unsigned char>& bytes) override {
        telnet::Bytes wire;
        if (mode_ == Mode::Rfc2217) {
            telnet::AppendEscaped(wire, bytes);
        } else {
            wire = bytes;
        }
        WriteRaw(wire);
    }
    /// Bytes as they are, Telnet commands included.
    void WriteRaw(const std::vector<unsigned char>& bytes) {
        Do([&] { Send(bytes); });
    }

    std::vector<unsigned char>
    Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(2)) override {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return data_.size() >= count; });
        const size_t n = std::min(count, data_.size());
        std::vector<unsigned char> out(data_.begin(), data_.begin() + n);
        data_.erase(data_.begin(), data_.begin() + n);
        return out;
    }

    bool WaitUntilDelivered(int /*count*/) override {
        // The port's kernel has the bytes once it acknowledged them all.
        for (int i = 0; i < 10000; ++i) {
            int unacknowledged = 0;
            Do([&] { ioctl(host_, SIOCOUTQ, &unacknowledged); });
            if (unacknowledged == 0) {
                return true;
            }
            poll(nullptr, 0, 1);
        }
        return false;
    }

    /// Ends the present connection; the server goes on listening.
    void EndConnection() {
        Do([this] { DropHost(); });
    }
    /// The server goes away: its connection ends, and connections are refused from now on.
    void Close() override {
        Do([this] {
            DropHost();
            ::close(listen_);
            listen_ = -1;
        });
    }
    /// The server is back at its port.
    void ListenAgain() {
        Do([this] { Listen(); });
    }

    /// Waits until a port connected `count` times in all.
    bool WaitForConnections(int count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return connections_ >= count; });
    }
    /// Everything the ports sent, as it came over the sockets.
    std::vector<unsigned char> Wire() {
        std::lock_guard lock(mutex_);
        return wire_;
    }
    /// The RFC 2217 server's state, asked on its thread.
    template <typename F> auto AskServer(F ask) {
        std::optional<decltype(ask(*server_))> answer;
        Do([&] { answer = ask(*server_); });
        return *answer;
    }

private:
    void Listen() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int one = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address = LoopbackAddress(port_);
        socklen_t length = sizeof address;
        if (bind(listen_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listen_, 4) != 0) {
            throw std::runtime_error("listen");
        }
        getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }

    void DropHost() {
        if (host_ >= 0) {
            ::close(host_);
            host_ = -1;
        }
    }

    void Send(const std::vector<unsigned char>& bytes) {
        for (size_t sent = 0; host_ >= 0 && sent < bytes.size();) {
            const ssize_t n = send(host_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<size_t>(n);
        }
    }

    // Runs `work` on the serving thread and waits for it.
    void Do(const std::function<void()>& work) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return work_ == nullptr; });
        work_ = &work;
        const eventfd_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
        changed_.wait(lock, [this] { return work_ == nullptr; });
    }

    void Serve() {
        while (!stop_) {
            pollfd fds[] = {{wake_, POLLIN, 0}, {listen_, POLLIN, 0}, {host_, POLLIN, 0}};
            poll(fds, 3, -1);
            std::lock_guard lock(mutex_);
            if (fds[0].revents != 0) {
                eventfd_t value = 0;
                [[maybe_unused]] const ssize_t n = ::read(wake_, &value, sizeof value);
                if (work_ != nullptr) {
                    (*work_)();
                    work_ = nullptr;
                }
            }
            if (listen_ >= 0 && fds[1].revents != 0) {
                for (int fd; (fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                    if (host_ >= 0) {
                        ::close(fd);
                        continue;
                    }
                    const int one = 1;
                    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    host_ = fd;
                    ++connections_;
                    if (mode_ == Mode::Rfc2217) {
                        telnet::Bytes opening;
                        server_.emplace(9600, true);
                        server_->Start(opening);
                        Send(opening);
                    }
                }
            }
            if (host_ >= 0 && fds[2].fd == host_ && fds[2].revents != 0) {
                unsigned char chunk[4096];
                const ssize_t n = recv(host_, chunk, sizeof chunk, MSG_DONTWAIT);
                if (n <= 0) {
                    DropHost();
                } else {
                    wire_.insert(wire_.end(), chunk, chunk + n);
                    if (mode_ == Mode::Rfc2217) {
                        telnet::Bytes answers;
                        server_->Feed({chunk, static_cast<size_t>(n)}, data_, answers);
                        Send(answers);
                    } else {
                        data_.insert(data_.end(), chunk, chunk + n);
                    }
                }
            }
            changed_.notify_all();
        }
    }

    const Mode mode_;
    const int wake_;
    int listen_ = -1;
    unsigned port_ = 0;
    std::thread thread_;

    std::mutex mutex_; // everything below
    std::condition_variable changed_;
    const std::function<void()>* work_ = nullptr;
    bool stop_ = false;
    int host_ = -1;
    int connections_ = 0;
    std::optional<kestra::Rfc2217Server> server_;
    std::vector<unsigned char> data_;
    std::vector<unsigned char> wire_;
};
