#pragma once
// Test helpers: the kestra-sim program as a child process, and a host's end of its line.

#include "kestra/Frame.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace simtest {

/// Runs kestra-sim with `args`; its standard input and output are pipes of the test.
/// The destructor stops it with SIGTERM if it still runs.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    /// Waits for the "ready PATH" line; returns PATH, or "" after `timeout`.
    std::string WaitReady(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    /// Sends one control line and returns the answer lines up to the final "ok" or
    /// "error: ..." line (without newlines, joined by "\n"); "" after `timeout`.
    std::string Control(const std::string& line,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

    /// Sends SIGTERM and returns the exit status (-1 when it did not end within 10 s).
    int Stop();

    /// Waits for the process to end by itself; its exit status, or -1.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    std::string ReadLine(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
};

/// The host's end of the line: opens a tty raw at a baud rate, like a serial-port library.
class HostPort {
public:
    HostPort(const std::string& path, unsigned baud);
    ~HostPort();
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    void SetBaud(unsigned baud);

    /// Empties the input, writes `request` and reads one answer frame (LEN bytes), or what
    /// arrived before `timeout`.
    kestra::Bytes Exchange(const kestra::Bytes& request,
                           std::chrono::milliseconds timeout = std::chrono::seconds(2));

    /// Reads one frame that arrives without a request, or what arrived before `timeout`.
    kestra::Bytes ReadFrame(std::chrono::milliseconds timeout);

    void Flush();

private:
    int fd_ = -1;
};

} // namespace simtest
