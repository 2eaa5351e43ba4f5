#include "SimProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

using Clock = std::chrono::steady_clock;

namespace {

int MillisLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        std::string program = KESTRA_SIM_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& arg : copy) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        Stop();
    }
    if (in_ >= 0) {
        close(in_);
    }
    if (out_ >= 0) {
        close(out_);
    }
}

std::string SimProcess::ReadLine(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        pollfd pfd{out_, POLLIN, 0};
        if (poll(&pfd, 1, MillisLeft(deadline)) <= 0) {
            return {};
        }
        char chunk[512];
        ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) {
            return {};
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string SimProcess::WaitReady(std::chrono::milliseconds timeout) {
    std::string line = ReadLine(timeout);
    return line.starts_with("ready ") ? line.substr(6) : std::string();
}

std::string SimProcess::Control(const std::string& line, std::chrono::milliseconds timeout) {
    std::string text = line + "\n";
    if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return {};
    }
    auto deadline = Clock::now() + timeout;
    std::string answer;
    for (;;) {
        std::string next = ReadLine(std::chrono::milliseconds(MillisLeft(deadline)));
        if (next.empty()) {
            return {};
        }
        answer += answer.empty() ? next : "\n" + next;
        if (next == "ok" || next.starts_with("error: ")) {
            return answer;
        }
    }
}

int SimProcess::Wait(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() > deadline) {
            return -1;
        }
        usleep(2000);
    }
    return -1;
}

int SimProcess::Stop() {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int status = Wait(std::chrono::seconds(10));
    if (status == -1 && pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait(std::chrono::seconds(5));
    }
    return status;
}

namespace {

speed_t Speed(unsigned baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        throw std::invalid_argument("baud");
    }
}

} // namespace

HostPort::HostPort(const std::string& path, unsigned baud) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    SetBaud(baud);
}

HostPort::~HostPort() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void HostPort::SetBaud(unsigned baud) {
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, Speed(baud));
    cfsetospeed(&tio, Speed(baud));
    tcsetattr(fd_, TCSANOW, &tio);
}

void HostPort::Flush() {
    tcflush(fd_, TCIFLUSH);
}

kestra::Bytes HostPort::ReadFrame(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    kestra::Bytes frame;
    while (frame.empty() || frame.size() < frame.front()) {
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, MillisLeft(deadline)) <= 0) {
            break;
        }
        std::uint8_t byte = 0;
        if (read(fd_, &byte, 1) == 1) {
            frame.push_back(byte);
        }
    }
    return frame;
}

kestra::Bytes HostPort::Exchange(const kestra::Bytes& request, std::chrono::milliseconds timeout) {
    Flush();
    if (write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        return {};
    }
    return ReadFrame(timeout);
}

} // namespace simtest
