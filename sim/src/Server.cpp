#include "kestra/Server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestra {

namespace {

// A frame whose bytes stop arriving for this long is dropped. Far above any gap inside one
// write of a host, far below the time a host waits for an answer.
constexpr auto kFrameGap = std::chrono::milliseconds(50);

// On the wire, a byte due later is waited for in slices of this length. A long sleep can wake
// a hundred microseconds or more late (an idle virtual processor is slow to wake); short
// slices keep the bytes on time, for some processor time while bytes are in flight.
constexpr auto kWireSlice = std::chrono::microseconds(50);

// A control line is a few words; a source that sends more without a newline is cut off.
constexpr std::size_t kMaxControlLine = 4096;

// Answers wait for a host that does not read only up to this much; beyond, they go too.
constexpr std::size_t kLongestBacklog = 64 * 1024;

} // namespace

Server::Server(Bus& bus, Line& line, bool wire, std::FILE* out)
    : bus_(bus), line_(line), wire_(wire), out_(out), control_(bus, &dropped_),
      assembler_(kFrameGap) {}

Server::~Server() {
    for (const ControlSource& source : controls_) {
        if (source.connection) {
            close(source.fd);
        }
    }
}

std::chrono::nanoseconds Server::CharTime(unsigned baud, bool parity) const {
    if (baud == 0) {
        return std::chrono::nanoseconds(0);
    }
    unsigned bits = 10 + (parity ? 1 : 0);
    return std::chrono::nanoseconds(1'000'000'000LL * bits / baud);
}

void Server::Schedule(const Emission& emission) {
    const std::uint64_t frame = nextFrame_++;
    if (!wire_) {
        Pending pending{emission.at, emission.bytes, emission.unasked, frame, true};
        auto after = std::upper_bound(output_.begin(), output_.end(), pending.at,
                                      [](TimePoint at, const Pending& p) { return at < p.at; });
        output_.insert(after, std::move(pending));
        return;
    }
    // On the wire the answers follow each other; each byte leaves when it is complete.
    auto charTime = CharTime(emission.baud, emission.parity);
    TimePoint start = std::max(emission.at, txFree_);
    for (std::size_t i = 0; i < emission.bytes.size(); ++i) {
        TimePoint done = start + charTime * static_cast<long>(i + 1);
        auto after = std::upper_bound(output_.begin(), output_.end(), done,
                                      [](TimePoint at, const Pending& p) { return at < p.at; });
        output_.insert(after,
                       Pending{done, Bytes{emission.bytes[i]}, emission.unasked, frame, i == 0});
    }
    txFree_ = start + charTime * static_cast<long>(emission.bytes.size());
}

void Server::ReadLine(TimePoint now) {
    std::array<std::uint8_t, 512> buffer{};
    std::size_t n = line_.Read(buffer.data(), buffer.size());
    // In a frame other than the readers' the bytes arrive garbled: no reader hears them.
    if (n == 0 || bus_.Readers().empty() || !line_.Carries(bus_.Readers().front().Parity())) {
        return;
    }
    unsigned lineBaud = line_.LineBaud();
    auto charTime = std::chrono::nanoseconds(0);
    if (wire_) {
        charTime = CharTime(lineBaud, bus_.Readers().front().Parity());
    }
    for (std::size_t i = 0; i < n; ++i) {
        TimePoint arrival = now;
        if (wire_) {
            arrival = std::max(now, rxFree_) + charTime;
            rxFree_ = arrival;
        }
        if (auto frame = assembler_.Feed(buffer[i], arrival)) {
            if (arrival <= now) {
                if (auto emission = bus_.OnFrame(*frame, arrival, lineBaud)) {
                    Schedule(*emission);
                }
            } else {
                requests_.push_back(Pending{arrival, std::move(*frame)});
            }
        }
    }
}

void Server::ForgetHost() {
    assembler_ = FrameAssembler(kFrameGap);
    requests_.clear();
    output_.clear();
    backlog_.clear();
    rxFree_ = {};
    txFree_ = {};
}

void Server::Reply(const ControlSource& source, const std::string& text) {
    if (!source.connection) {
        std::fputs(text.c_str(), out_);
        std::fflush(out_);
        return;
    }
    // Answers are a few lines; a client that does not read them loses what does not fit.
    [[maybe_unused]] auto sent =
        send(source.fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool Server::ReadControl(ControlSource& source) {
    std::array<char, 1024> buffer{};
    ssize_t n = read(source.fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (n > 0) {
        source.buffer.append(buffer.data(), static_cast<std::size_t>(n));
    } else if (!source.buffer.empty()) {
        // The last line may come without its newline.
        source.buffer += '\n';
    }
    std::size_t end;
    while ((end = source.buffer.find('\n')) != std::string::npos) {
        std::string line = source.buffer.substr(0, end);
        source.buffer.erase(0, end + 1);
        std::string reply = control_.Execute(line, Clock::now());
        if (!reply.empty()) {
            Reply(source, reply);
        }
    }
    if (source.buffer.size() > kMaxControlLine) {
        source.buffer.clear();
        Reply(source, "error: line too long\n");
    }
    return n > 0;
}

void Server::DoDue(TimePoint now) {
    assembler_.Expire(now);
    while (!requests_.empty() && requests_.front().at <= now) {
        Pending request = std::move(requests_.front());
        requests_.pop_front();
        if (auto emission = bus_.OnFrame(request.bytes, request.at, line_.LineBaud())) {
            Schedule(*emission);
        }
    }
    for (const Emission& emission : bus_.TakeDue(now)) {
        Schedule(emission);
    }
    while (!output_.empty() && output_.front().at <= now) {
        Pending pending = std::move(output_.front());
        output_.pop_front();
        WriteDue(std::move(pending));
    }
    // A device runs at the speed of its reader; after a reset to another speed the line
    // follows once the answer has left.
    if (!line_.HostSetsSpeed() && output_.empty() && backlog_.empty() && !bus_.Readers().empty()) {
        const Reader& reader = bus_.Readers().front();
        line_.SetSpeed(reader.Baud(), reader.Parity());
    }
}

void Server::Flush() {
    while (!backlog_.empty()) {
        const std::size_t n = line_.WriteSome(backlog_.data(), backlog_.size());
        if (n == 0) {
            return;
        }
        backlog_.erase(backlog_.begin(), backlog_.begin() + static_cast<std::ptrdiff_t>(n));
    }
}

void Server::WriteDue(Pending pending) {
    Flush();
    if (pending.frame == droppedFrame_) {
        return; // the rest of a frame that was dropped
    }
    const Bytes& bytes = pending.bytes;
    std::size_t taken = 0;
    if (pending.unasked && pending.first) {
        // A protocol starts only on a line that has taken everything before it.
        taken = backlog_.empty() ? line_.WriteSome(bytes.data(), bytes.size()) : 0;
        if (taken == 0) {
            droppedFrame_ = pending.frame;
            ++dropped_;
            return;
        }
    } else if (!pending.unasked && pending.first && backlog_.size() >= kLongestBacklog) {
        droppedFrame_ = pending.frame;
        ++dropped_;
        return;
    }
    backlog_.insert(backlog_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(taken),
                    bytes.end());
    Flush();
}

std::optional<TimePoint> Server::NextDeadline() const {
    std::optional<TimePoint> next = bus_.NextDue();
    auto consider = [&next](TimePoint at) {
        if (!next || at < *next) {
            next = at;
        }
    };
    if (assembler_.Pending()) {
        consider(assembler_.Deadline() + std::chrono::nanoseconds(1));
    }
    if (!requests_.empty()) {
        consider(requests_.front().at);
    }
    if (!output_.empty()) {
        consider(output_.front().at);
    }
    return next;
}

int Server::Run(int controlFd, int stopFd) {
    if (controlFd >= 0) {
        controls_.push_back(ControlSource{controlFd, false, {}});
    }
    std::vector<pollfd> fds;
    for (;;) {
        TimePoint now = Clock::now();
        DoDue(now);

        // stop, line, control socket, hosts connecting, then one entry per control source.
        const short lineEvents = POLLIN | (backlog_.empty() && !line_.Holds() ? 0 : POLLOUT);
        fds.assign({{stopFd, POLLIN, 0},
                    {line_.Fd(), lineEvents, 0},
                    {socket_ != nullptr ? socket_->Fd() : -1, POLLIN, 0},
                    {line_.ListenFd(), POLLIN, 0}});
        for (const ControlSource& source : controls_) {
            fds.push_back({source.fd, POLLIN, 0});
        }
        timespec timeout{};
        timespec* wait = nullptr;
        if (auto deadline = NextDeadline()) {
            auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
            if (wire_ && (!output_.empty() || !requests_.empty())) {
                left = std::min<Clock::duration>(left, kWireSlice);
            }
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            wait = &timeout;
        }
        int ready = ppoll(fds.data(), fds.size(), wait, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        if (fds[0].revents != 0) {
            return 0;
        }
        if ((fds[1].revents & (POLLERR | POLLNVAL)) && !line_.DropHost()) {
            return 1;
        }
        if (fds[1].revents & POLLOUT) {
            line_.Drain();
            Flush();
        }
        if (fds[1].revents & POLLIN) {
            ReadLine(Clock::now());
        } else if ((fds[1].revents & POLLHUP) && !line_.DropHost()) {
            // A device that went away: keep serving the control channel, try again later.
            timespec pause{0, 10'000'000};
            nanosleep(&pause, nullptr);
        }
        // Sources that ended are dropped after the walk; new connections join after it.
        std::vector<std::size_t> ended;
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (fds[4 + i].revents != 0 && !ReadControl(controls_[i])) {
                ended.push_back(i);
            }
        }
        for (auto it = ended.rbegin(); it != ended.rend(); ++it) {
            if (controls_[*it].connection) {
                close(controls_[*it].fd);
            }
            controls_.erase(controls_.begin() + static_cast<std::ptrdiff_t>(*it));
        }
        if (fds[2].revents & POLLIN) {
            for (int client; (client = socket_->Accept()) >= 0;) {
                controls_.push_back(ControlSource{client, true, {}});
            }
        }
        if ((fds[3].revents & POLLIN) && line_.Accept()) {
            ForgetHost();
        }
    }
}

} // namespace kestra
