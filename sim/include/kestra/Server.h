#pragma once
// The event loop that connects a bus to its line and to the control channel.

#include "kestra/Bus.h"
#include "kestra/ControlChannel.h"
#include "kestra/ControlSocket.h"
#include "kestra/FrameAssembler.h"
#include "kestra/Line.h"

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace kestra {

/// One thread, one poll loop: bytes from the host are cut into frames and handed to the bus,
/// answers and auto-answer protocols are written when due, control lines are answered. No
/// step waits on the line: an auto-answer protocol due while the host has not read what came
/// before is dropped (counted, and shown by `state`), as on a serial line, so control lines
/// and the stop signal are served at once whatever the line does.
/// A line on the network serves one host at a time; when a host connects, what was under way
/// for the one before is forgotten.
/// With `wire` set, every byte in either direction takes its time on the line (start bit,
/// 8 data bits, the parity bit when the frame has one, stop bit) at the line speed: a
/// request counts as received when its last byte would have arrived, and each answer byte
/// is written when it would have been sent completely.
class Server {
public:
    Server(Bus& bus, Line& line, bool wire, std::FILE* out);
    /// Closes the control connections still open.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    /// Serves until `stopFd` becomes readable. Control lines are read from `controlFd`
    /// (-1: none; its end of file ends only the control channel) and answered on the output.
    /// Returns 0, or 1 when the line failed.
    int Run(int controlFd, int stopFd);

    /// Also takes control lines from the connections to `socket`, each answered on its own
    /// connection. Not owned; it must outlive Run.
    void ListenForControl(ControlSocket* socket) { socket_ = socket; }

private:
    // Bytes due at `at`: a whole frame, or on the wire one byte of it (`first` for its
    // first byte).
    struct Pending {
        TimePoint at;
        Bytes bytes;
        bool unasked = false;
        std::uint64_t frame = 0;
        bool first = true;
    };

    // One source of control lines: standard input (answered on the output) or a connection.
    struct ControlSource {
        int fd = -1;
        bool connection = false;
        std::string buffer;
    };

    void ReadLine(TimePoint now);
    // A new host has the line: what was under way belonged to the one before.
    void ForgetHost();
    // Answers the complete lines `fd` has sent; false at its end (or on an error).
    bool ReadControl(ControlSource& source);
    void Reply(const ControlSource& source, const std::string& text);
    void Schedule(const Emission& emission);
    void DoDue(TimePoint now);
    // Puts due bytes on the line, or drops an auto-answer protocol the line has no room for.
    void WriteDue(Pending pending);
    // Writes what the line takes of the backlog.
    void Flush();
    std::optional<TimePoint> NextDeadline() const;
    std::chrono::nanoseconds CharTime(unsigned baud, bool parity) const;

    Bus& bus_;
    Line& line_;
    bool wire_;
    std::FILE* out_;
    ControlChannel control_;
    ControlSocket* socket_ = nullptr;
    FrameAssembler assembler_;
    std::vector<ControlSource> controls_;
    // Requests received completely but, on the wire, still arriving.
    std::deque<Pending> requests_;
    // Bytes to write, in time order.
    std::deque<Pending> output_;
    // Bytes due already that the line has not taken yet: the rest of a frame under way, and
    // answers behind it.
    Bytes backlog_;
    std::uint64_t nextFrame_ = 1;
    std::uint64_t droppedFrame_ = 0;
    std::uint64_t dropped_ = 0;
    TimePoint rxFree_{};
    TimePoint txFree_{};
};

} // namespace kestra
