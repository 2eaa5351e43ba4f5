// 10,000 request/answer exchanges (4-byte request, 5-byte answer) over a pseudo-terminal,
// once through SORN_Transceive and once through a plain termios write/poll/read loop, in the
// same run and against the same kind of peer. Prints both medians and their ratio.
#include "PtyPeer.h"
#include "sorn.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned char kRequest[4] = {0x04, 0x00, 0x65, 0x61};

// Answers every 4-byte request with a 5-byte frame until stopped.
class Answerer {
public:
    explicit Answerer(PtyPeer& peer)
        : thread_([this, &peer] {
              while (!stop_) {
                  if (peer.Read(4, std::chrono::milliseconds(20)).size() == 4) {
                      peer.Write({0x05, 0x00, 0x65, 0x00, 0x60});
                  }
              }
          }) {}
    ~Answerer() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double MedianMicros(std::vector<double>& samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

bool PlainExchange(int fd) {
    tcflush(fd, TCIFLUSH);
    if (write(fd, kRequest, 4) != 4) {
        return false;
    }
    unsigned char answer[256];
    int got = 0;
    while (got < 5) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 800) <= 0) {
            return false;
        }
        const ssize_t n = read(fd, answer + got, sizeof answer - got);
        if (n < 0) {
            return false;
        }
        got += static_cast<int>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    PortMapFile map;
    PtyPeer sornPeer;
    PtyPeer plainPeer;
    map.Map(1, sornPeer.SlavePath());
    const int handle = SORN_OpenPort("1");
    const int fd = open(plainPeer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (handle <= 0 || fd < 0) {
        std::fprintf(stderr, "could not open the ptys (%d, %d)\n", handle, fd);
        return 1;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);

    std::vector<double> sornTimes;
    std::vector<double> plainTimes;
    int failures = 0;
    {
        Answerer a(sornPeer);
        Answerer b(plainPeer);
        // Alternate in blocks so that both see the same machine load.
        for (int block = 0; block < count / 100; ++block) {
            for (int i = 0; i < 100; ++i) {
                unsigned char answer[256];
                const auto t0 = Clock::now();
                failures += SORN_Transceive(handle, kRequest, 4, answer, sizeof answer) != 5;
                const auto t1 = Clock::now();
                sornTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
            for (int i = 0; i < 100; ++i) {
                const auto t0 = Clock::now();
                failures += !PlainExchange(fd);
                const auto t1 = Clock::now();
                plainTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
        }
    }
    SORN_ClosePort(handle);
    close(fd);
    const double sornMedian = MedianMicros(sornTimes);
    const double plainMedian = MedianMicros(plainTimes);
    std::printf("exchanges: %zu each, failures: %d\n", sornTimes.size(), failures);
    std::printf("SORN_Transceive median: %.1f us\n", sornMedian);
    std::printf("plain termios median:   %.1f us\n", plainMedian);
    std::printf("ratio: %.3f\n", sornMedian / plainMedian);
    return failures == 0 ? 0 : 1;
}
