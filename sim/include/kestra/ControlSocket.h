#pragma once
// The control channel on a Unix stream socket, and the client that sends one line to it.

#include <chrono>
#include <string>
#include <sys/types.h>

namespace kestra {

/// A listening Unix stream socket at a path. Each connection takes the control lines of
/// standard input and gets their answers back.
class ControlSocket {
public:
    /// Binds and listens at `path`. A socket file already there (left by an earlier run) is
    /// replaced; any other file is left alone and refused. Throws std::runtime_error with the
    /// reason.
    explicit ControlSocket(std::string path);
    /// Closes the socket and removes its file, unless another program has taken the path.
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }

    /// A connection that is waiting, non-blocking; -1 when there is none.
    int Accept();

private:
    std::string path_;
    int fd_ = -1;
    ino_t inode_ = 0;
};

/// Sends `line` to the control socket at `path` and collects the answer: the lines up to the
/// final "ok" or "error: ..." line, each ending in "\n". Returns 0 for "ok", 1 for an error
/// answer, 2 when the socket cannot be reached or no answer came within `timeout` (the reason
/// is then in `answer`).
int SendControlLine(const std::string& path, const std::string& line,
                    std::chrono::milliseconds timeout, std::string& answer);

} // namespace kestra
