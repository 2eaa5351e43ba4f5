#include "kestra/ControlSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestra {

namespace {

sockaddr_un AddressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        throw std::runtime_error("a socket path has 1 to " +
                                 std::to_string(sizeof address.sun_path - 1) + " characters");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

bool IsAnswerEnd(const std::string& line) {
    return line == "ok" || line.starts_with("error: ");
}

} // namespace

ControlSocket::ControlSocket(std::string path) : path_(std::move(path)) {
    sockaddr_un address = AddressOf(path_);
    struct stat existing {};
    if (lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            throw std::runtime_error(path_ + " exists and is not a socket");
        }
        unlink(path_.c_str());
    }
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        throw SystemError("socket");
    }
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd_, 8) != 0) {
        auto error = SystemError("cannot listen at " + path_);
        close(fd_);
        throw error;
    }
    struct stat bound {};
    if (stat(path_.c_str(), &bound) == 0) {
        inode_ = bound.st_ino;
    }
}

ControlSocket::~ControlSocket() {
    close(fd_);
    struct stat now {};
    if (lstat(path_.c_str(), &now) == 0 && S_ISSOCK(now.st_mode) && now.st_ino == inode_) {
        unlink(path_.c_str());
    }
}

int ControlSocket::Accept() {
    return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

int SendControlLine(const std::string& path, const std::string& line,
                    std::chrono::milliseconds timeout, std::string& answer) {
    answer.clear();
    int fd = -1;
    try {
        sockaddr_un address = AddressOf(path);
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0 ||
            connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            throw SystemError("cannot connect to " + path);
        }
    } catch (const std::runtime_error& e) {
        if (fd >= 0) {
            close(fd);
        }
        answer = e.what();
        return 2;
    }
    std::string text = line + "\n";
    if (send(fd, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) {
        answer = "cannot send to " + path + ": " + std::strerror(errno);
        close(fd);
        return 2;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string received;
    for (;;) {
        std::size_t end;
        while ((end = received.find('\n')) != std::string::npos) {
            std::string next = received.substr(0, end);
            received.erase(0, end + 1);
            answer += next + "\n";
            if (IsAnswerEnd(next)) {
                close(fd);
                return next == "ok" ? 0 : 1;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        char chunk[512];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(fd, chunk, sizeof chunk)) <= 0) {
            answer += "no answer from " + path;
            close(fd);
            return 2;
        }
        received.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace kestra
