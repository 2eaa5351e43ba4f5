#pragma once
// The line between kestra and a simulator, in the test's hands: requests and answers pass
// through whole. It can cut the line instead of passing on a request, or put a request of its
// own to the simulator before passing one on.

#include "SimProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kestratest {

using Bytes = std::vector<std::uint8_t>;

class Relay {
public:
    explicit Relay(const std::string& simPath) : sim_(simPath, 9600) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master_, 0);
        grantpt(master_);
        unlockpt(master_);
        path_ = ptsname(master_);
    }
    ~Relay() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (master_ >= 0) {
            close(master_);
        }
    }
    const std::string& Path() const { return path_; }
    /// After `answers` answers the next request is not passed on: the line goes down.
    void CutAfter(int answers) { cutAfter_ = answers; }
    /// Before the first request with command byte `code`, `request` goes to the simulator.
    void InjectBefore(std::uint8_t code, Bytes request) {
        injectCode_ = code;
        inject_ = std::move(request);
    }
    void Run() {
        thread_ = std::thread([this] { Loop(); });
    }

private:
    void Loop() {
        Bytes pending;
        int answers = 0;
        while (!stop_) {
            pollfd poller{master_, POLLIN, 0};
            // Until kestra opens its end the master reports a hang-up; that is no request.
            if (poll(&poller, 1, 20) <= 0 || (poller.revents & POLLIN) == 0) {
                usleep(poller.revents & POLLHUP ? 5000 : 0);
                continue;
            }
            std::uint8_t buffer[256];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n > 0) {
                pending.insert(pending.end(), buffer, buffer + n);
            }
            while (!pending.empty() && pending.size() >= pending[0] && pending[0] >= 3) {
                const Bytes request(pending.begin(), pending.begin() + pending[0]);
                pending.erase(pending.begin(), pending.begin() + pending[0]);
                if (answers == cutAfter_) {
                    close(master_);
                    master_ = -1;
                    return;
                }
                if (!inject_.empty() && request[2] == injectCode_) {
                    sim_.Exchange(inject_);
                    inject_.clear();
                }
                const Bytes answer = sim_.Exchange(request);
                if (write(master_, answer.data(), answer.size()) > 0) {
                    ++answers;
                }
            }
        }
    }

    simtest::HostPort sim_;
    int master_ = -1;
    std::string path_;
    int cutAfter_ = -1;
    std::uint8_t injectCode_ = 0;
    Bytes inject_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

} // namespace kestratest
