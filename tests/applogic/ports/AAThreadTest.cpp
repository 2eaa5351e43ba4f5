// The reception worker over a scripted port: one line per receive result, the gate, and
// what Disable, Enable and Quit promise about lines and waiting.

#include "WaitUntil.h"
#include "WkAAThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A port whose bytes the test feeds. A receive call waits up to `timeout` for a chunk; with
// `hold` set it waits for Release instead, whatever comes.
class FedPort {
public:
    explicit FedPort(std::chrono::milliseconds timeout = 20ms) : timeout_(timeout) {}

    void Push(std::vector<unsigned char> chunk) {
        std::lock_guard lock(mutex_);
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
    }
    void Hold() {
        std::lock_guard lock(mutex_);
        hold_ = true;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        hold_ = false;
        changed_.notify_all();
    }
    // Waits until a receive call is in progress.
    bool WaitForReceiver() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return receiving_ > 0; });
    }
    int Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int Receive(int port, unsigned char* buffer, int size) {
        std::unique_lock lock(mutex_);
        ++calls_;
        lastPort_ = port;
        ++receiving_;
        changed_.notify_all();
        if (hold_) {
            changed_.wait(lock, [&] { return !hold_; });
        } else {
            changed_.wait_for(lock, timeout_, [&] { return !chunks_.empty(); });
        }
        --receiving_;
        if (chunks_.empty()) {
            return -1030;
        }
        std::vector<unsigned char> chunk = std::move(chunks_.front());
        chunks_.pop_front();
        const int count = std::min(static_cast<int>(chunk.size()), size);
        std::copy(chunk.begin(), chunk.begin() + count, buffer);
        return count;
    }
    int LastPort() const {
        std::lock_guard lock(mutex_);
        return lastPort_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<unsigned char>> chunks_;
    std::chrono::milliseconds timeout_;
    bool hold_ = false;
    int receiving_ = 0;
    int calls_ = 0;
    int lastPort_ = 0;
};

class Lines {
public:
    // The lines as the protocol window shows them.
    bool Add(WkPackedTime time, const std::vector<std::vector<std::uint8_t>>& pieces) {
        std::lock_guard lock(mutex_);
        for (const auto& piece : pieces) {
            AppendProtocolLine(WkLineKind::kAutoAnswer, time, 0, piece, lines_.emplace_back());
        }
        changed_.notify_all();
        return true;
    }
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return lines_.size() >= count; });
    }
    std::vector<std::string> All() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

class AAThread : public ::testing::Test {
protected:
    FedPort port;
    Lines lines;
    std::atomic<int> stopped{0};
    WkAAThread thread{
        [this](int p, unsigned char* b, int s) { return port.Receive(p, b, s); },
        [this](WkPackedTime time, auto& pieces, bool) { return lines.Add(time, pieces); },
        [this] { ++stopped; }};
};

const std::regex kLine(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}  <<  ((?:[0-9A-F]{2} )+))");

// LEN, the bytes given and the XOR checksum.
std::vector<unsigned char> Framed(std::vector<unsigned char> body) {
    body.insert(body.begin(), static_cast<unsigned char>(body.size() + 2));
    unsigned char sum = 0;
    for (unsigned char b : body) {
        sum ^= b;
    }
    body.push_back(sum);
    return body;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    for (unsigned char b : bytes) {
        char group[4];
        std::snprintf(group, sizeof group, "%02X ", b);
        text += group;
    }
    return text;
}

TEST_F(AAThread, BytesAreCutIntoFramesAndBursts) {
    const auto a = Framed({0x00, 0x11, 0x00, 0x01});
    const auto b = Framed({0x01, 0x12});
    const auto c = Framed({0x02, 0x13, 0xAA});
    std::vector<unsigned char> burst = a;
    burst.insert(burst.end(), b.begin(), b.end());
    burst.insert(burst.end(), c.begin(), c.end());
    port.Push(burst); // three frames back to back in one receive
    const auto split = Framed({0x00, 0x11, 0x01, 0x02, 0x03, 0x04});
    port.Push({split.begin(), split.begin() + 4}); // one frame over two receives
    port.Push({split.begin() + 4, split.end()});
    port.Push({0x01, 0x02, 0x03});                     // no LEN: bare data
    const std::vector<unsigned char> bare(1500, 0x01); // bare data: lines of 1024 bytes at most
    port.Push(bare);
    // A burst that begins with the rest of a frame whose start was flushed: frames are read
    // again from where two of them follow each other.
    std::vector<unsigned char> rest = {0x02, 0x03, 0x04, 0x05, 0x18};
    rest.insert(rest.end(), a.begin(), a.end());
    rest.insert(rest.end(), b.begin(), b.end());
    port.Push(rest);
    // The start of a frame whose rest an exchange on the port took: the next call's frames
    // do not finish it, it stands alone and they are read whole.
    port.Push({0x0B, 0x00, 0x11});
    port.Push(a);
    port.Push(b);
    // The same when the line falls silent before the bytes reach the promised length.
    port.Push({0x0B, 0x00});
    port.Push(c);
    ASSERT_TRUE(thread.Start());
    thread.Enable(7);
    ASSERT_TRUE(lines.WaitFor(15));
    std::this_thread::sleep_for(60ms); // nothing more comes: empty receive calls add no line
    thread.Disable();
    const std::vector<std::string> all = lines.All();
    const std::vector<std::string> expected = {Hex(a),
                                               Hex(b),
                                               Hex(c),
                                               Hex(split),
                                               "01 02 03 ",
                                               Hex({bare.begin(), bare.begin() + 1024}),
                                               Hex({bare.begin() + 1024, bare.end()}),
                                               "02 03 04 05 18 ",
                                               Hex(a),
                                               Hex(b),
                                               "0B 00 11 ",
                                               Hex(a),
                                               Hex(b),
                                               "0B 00 ",
                                               Hex(c)};
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(all[i], match, kLine)) << all[i];
        EXPECT_EQ(match[1], expected[i]) << i;
    }
    EXPECT_EQ(port.LastPort(), 7);
}

TEST_F(AAThread, DisabledWorkerWaitsAtTheGateAndReportsTheStopOnce) {
    ASSERT_TRUE(thread.Start());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(port.Calls(), 0);
    EXPECT_FALSE(thread.IsActive());

    thread.Enable(3);
    ASSERT_TRUE(port.WaitForReceiver());
    EXPECT_TRUE(thread.IsEnabled());
    thread.Disable();
    EXPECT_TRUE(WaitUntil([&] { return !thread.IsActive(); }));
    const int calls = port.Calls();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(port.Calls(), calls);
    EXPECT_EQ(stopped.load(), 1);
}

TEST_F(AAThread, ALineReceivedAcrossDisableIsDropped) {
    ASSERT_TRUE(thread.Start());
    port.Hold();
    thread.Enable(1);
    ASSERT_TRUE(port.WaitForReceiver());
    port.Push({0xAA});
    thread.Disable();
    port.Release();
    std::this_thread::sleep_for(60ms);
    EXPECT_TRUE(lines.All().empty());
    EXPECT_EQ(thread.Delivered(), 0u);
}

TEST_F(AAThread, EnableRightAfterDisableKeepsReceiving) {
    ASSERT_TRUE(thread.Start());
    for (int cycle = 0; cycle < 50; ++cycle) {
        port.Hold();
        thread.Enable(1);
        ASSERT_TRUE(port.WaitForReceiver());
        port.Push({0x01}); // taken by the call that spans the Disable: dropped
        thread.Disable();
        thread.Enable(2); // before the worker has seen the Disable
        port.Release();
        port.Push({static_cast<unsigned char>(cycle)});
        ASSERT_TRUE(lines.WaitFor(static_cast<std::size_t>(cycle) + 1)) << cycle;
        thread.Disable();
        // The next cycle's held call must be a fresh one, not one that began in this cycle.
        ASSERT_TRUE(WaitUntil([&] { return !thread.IsActive(); }));
    }
    const std::vector<std::string> all = lines.All();
    ASSERT_EQ(all.size(), 50u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned>(i));
        EXPECT_EQ(all[i].substr(all[i].size() - 3), hex);
    }
    EXPECT_EQ(port.LastPort(), 2);
}

TEST(AAThreadDelivery, DisableReturnsOnlyAfterADeliveryInProgressHasEnded) {
    // The delivery waits for the owner's thread, as the protocol window does: it finishes
    // only when the owner pumps.
    std::mutex mutex;
    std::condition_variable served;
    bool pumped = false;
    std::atomic<int> delivered{0};
    std::atomic<bool> inDelivery{false};
    FedPort port;
    WkAAThread thread([&](int p, unsigned char* b, int s) { return port.Receive(p, b, s); },
                      [&](WkPackedTime, auto&, bool) {
                          inDelivery = true;
                          std::unique_lock lock(mutex);
                          served.wait(lock, [&] { return pumped; });
                          ++delivered;
                          return true;
                      });
    ASSERT_TRUE(thread.Start());
    thread.Enable(1);
    port.Push({0x10});
    ASSERT_TRUE(WaitUntil([&] { return inDelivery.load(); }));
    port.Push({0x11});
    thread.Disable([&] {
        std::lock_guard lock(mutex);
        pumped = true;
        served.notify_all();
    });
    EXPECT_EQ(delivered.load(), 1);
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(delivered.load(), 1);
}

TEST(AAThreadFailure, AFailingPortIsRetriedWithoutSpinning) {
    // A closed port fails at once instead of waiting for its time-out.
    std::atomic<int> calls{0};
    WkAAThread thread(
        [&](int, unsigned char*, int) {
            ++calls;
            return -1001;
        },
        [](WkPackedTime, auto&, bool) { return true; });
    ASSERT_TRUE(thread.Start());
    const auto enabled = std::chrono::steady_clock::now();
    thread.Enable(9);
    ASSERT_TRUE(WaitUntil([&] { return calls >= 3; }));
    const auto start = std::chrono::steady_clock::now();
    thread.Disable();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s); // no wait for the pause to end
    const int made = calls.load();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - enabled);
    // Each failure is followed by a 20 ms pause, however slowly the test thread is served.
    EXPECT_LE(made, took / 10ms + 2);
}

TEST(AAThreadQuit, QuitWaitsOnlyForTheReceiveCallInProgress) {
    FedPort port(200ms);
    WkAAThread thread([&](int p, unsigned char* b, int s) { return port.Receive(p, b, s); },
                      [](WkPackedTime, auto&, bool) { return true; });
    ASSERT_TRUE(thread.Start());
    thread.Enable(1);
    ASSERT_TRUE(port.WaitForReceiver());
    const auto start = std::chrono::steady_clock::now();
    thread.Quit();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(thread.IsStarted());
    EXPECT_LT(took, 3s); // the 200 ms call in progress, with room for a loaded machine
    thread.Quit();       // twice is harmless
}

} // namespace
