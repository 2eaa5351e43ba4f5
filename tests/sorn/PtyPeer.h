#pragma once

// A pseudo-terminal whose slave is mapped as a Sorn port through a map file of the test's
// own (SORN_PORTS), with the master side in the test's hands.
#include "LinePeer.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

class PortMapFile {
public:
    PortMapFile() {
        char pattern[] = "/tmp/sorn-test-XXXXXX";
        if (!mkdtemp(pattern)) {
            throw std::runtime_error("mkdtemp");
        }
        dir_ = pattern;
        path_ = dir_ + "/ports";
        setenv("SORN_PORTS", path_.c_str(), 1);
        Write("");
    }
    ~PortMapFile() {
        unsetenv("SORN_PORTS");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void Write(const std::string& content) { std::ofstream(path_) << content; }
    void Map(int number, const std::string& device) {
        std::ofstream(path_, std::ios::app) << number << "=" << device << "\n";
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    std::string path_;
};

class PtyPeer : public LinePeer {
public:
    PtyPeer() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            throw std::runtime_error("posix_openpt");
        }
        slave_ = ptsname(master_);
    }
    ~PtyPeer() override {
        Close();
        if (slaveWatch_ >= 0) {
            ::close(slaveWatch_);
        }
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& SlavePath() const { return slave_; }
    std::string MapEntry() const override { return slave_; }
    void BeforeOpen() override { WatchSlave(); }
    bool WaitUntilDelivered(int count) override { return WaitUntilQueuedAtSlave(count); }

    // Keeps a descriptor of the slave side for looking at its input queue. Call it before the
    // port is opened: the port's exclusive mode refuses later opens.
    void WatchSlave() {
        slaveWatch_ = ::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slaveWatch_ < 0) {
            throw std::runtime_error("open pty slave");
        }
    }

    // Waits until `count` bytes written on the master side wait in the slave's input queue
    // (the pty moves them over asynchronously). WatchSlave must have been called.
    bool
    WaitUntilQueuedAtSlave(int count,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int queued = 0;
        while (ioctl(slaveWatch_, FIONREAD, &queued) == 0 && queued < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            poll(nullptr, 0, 1);
        }
        return queued >= count;
    }
    int Master() const { return master_; }
    void Close() override {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    void Write(const std::vector<unsigned char>& bytes) override {
        if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("write to pty master");
        }
    }

    // Reads exactly `count` bytes, or what came before `timeout` passed.
    std::vector<unsigned char>
    Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(2)) override {
        std::vector<unsigned char> out;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd pfd{master_, POLLIN, 0};
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            unsigned char buffer[512];
            const size_t want = std::min(sizeof buffer, count - out.size());
            const ssize_t n = ::read(master_, buffer, want);
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

private:
    int master_ = -1;
    int slaveWatch_ = -1;
    std::string slave_;
};
