#pragma once
// The protocol window's lines, kept small: per line the time stamp, the kind, the serial
// port, the result code and the frame bytes, in chunks of a few thousand lines. The text of
// a line is made again from these when it is asked for and is exactly the line that came in;
// a line whose text cannot be made again from its parts is kept as text.
//
// Each request is paired with the answer (or error line) that belongs to it as lines arrive.
// With a line limit, the oldest lines are dropped and one marker line says how many.
//
// Not thread-safe: the protocol window's document appends on the user-interface thread.

#include "WkProtocolLine.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class WkLogStore {
public:
    /// Numbers every line ever appended since the last Clear, from 0; dropping the oldest
    /// lines does not renumber the others.
    using LineId = std::uint64_t;

    WkLogStore();
    ~WkLogStore();
    WkLogStore(const WkLogStore&) = delete;
    WkLogStore& operator=(const WkLogStore&) = delete;

    /// Appends one line, without its line end. `port` is the number of the serial port it
    /// came through, 0 when that is not known.
    void Append(std::string_view line, int port = 0);
    /// Appends the auto-answer line of `bytes` (not empty) received at `time` through `port`:
    /// the line "MM/DD/YY HH:MM:SS.mmm  <<  " with "%02X " per byte, without making its text.
    void AppendAutoAnswer(WkPackedTime time, std::span<const std::uint8_t> bytes, int port = 0);
    void Clear();

    /// The limit of a new store: about 35 MB of lines, so that an auto-answer flood cannot
    /// take the machine's memory.
    static constexpr std::uint64_t kDefaultLineLimit = 1000000;

    /// The most lines kept, 0 for no limit. Lowering it drops lines at once.
    void SetLineLimit(std::uint64_t maxLines);
    std::uint64_t LineLimit() const { return limit_; }

    /// The lines kept are FirstId() .. EndId() - 1.
    LineId FirstId() const { return first_; }
    LineId EndId() const { return end_; }
    std::uint64_t Size() const { return end_ - first_; }
    /// The lines dropped over the limit since the last Clear.
    std::uint64_t Dropped() const { return first_; }
    /// "*** 1200 older lines dropped (line limit 1000) ***" once lines were dropped, else
    /// empty. It stands before the oldest line kept.
    std::string MarkerLine() const;

    WkLineKind Kind(LineId id) const;
    WkPackedTime Time(LineId id) const;
    /// The negative result of a receive or error line, else 0.
    int Code(LineId id) const;
    int Port(LineId id) const;
    /// The ports lines came through since the last Clear, in ascending order (0, unknown, is
    /// not one).
    const std::vector<int>& Ports() const { return ports_; }
    /// An error line, a failed exchange, an answer with a status other than OK, or a frame
    /// whose length or checksum is wrong.
    bool IsError(LineId id) const;
    /// The frame bytes of the line; `scratch` holds them for a line kept as text.
    std::span<const std::uint8_t> Bytes(LineId id, std::vector<std::uint8_t>& scratch) const;
    /// Bus address and command byte of the line's first frame, or of its request for a line
    /// without a frame of its own; -1 when there is none.
    int Address(LineId id) const;
    int Command(LineId id) const;

    /// Appends the line's text (without line end).
    void AppendText(LineId id, std::string& out) const;
    std::string Text(LineId id) const;

    /// The answer of a request, or the request of an answer or error line, while both are
    /// kept.
    std::optional<LineId> Partner(LineId id) const;
    /// Milliseconds from an answer's request to the answer.
    std::optional<std::int64_t> LatencyMs(LineId id) const;

    /// Calls `write` with the text of every line, the marker line first when there is one,
    /// a line at a time; stops early when it returns false. Returns false then.
    template <typename Write> bool ForEachLine(Write write) const {
        std::string text = MarkerLine();
        if (!text.empty() && !write(std::string_view(text))) {
            return false;
        }
        for (LineId id = first_; id < end_; ++id) {
            text.clear();
            AppendText(id, text);
            if (!write(std::string_view(text))) {
                return false;
            }
        }
        return true;
    }

private:
    struct Chunk;
    struct Pending {
        LineId id;
        WkPackedTime time;
        std::uint16_t port;
        std::uint8_t address;
        std::uint8_t command;
    };
    struct Where {
        Chunk* chunk;
        std::size_t index;
    };

    /// Adds the line of `parts`, kept as `verbatim` when that is given.
    void Add(const WkProtocolLine& parts, std::optional<std::string_view> verbatim, int port);
    Where Find(LineId id) const;
    std::span<const std::uint8_t> Stored(const Where& at) const;
    /// The line's frame, or its request's for a line without a frame of its own.
    std::span<const std::uint8_t> FrameOrRequest(LineId id,
                                                 std::vector<std::uint8_t>& scratch) const;
    void Pair(LineId id, const WkProtocolLine& parts, int port);
    void SetPartner(LineId a, LineId b);
    void DropOverLimit();

    std::deque<std::unique_ptr<Chunk>> chunks_;
    LineId chunkBase_ = 0; ///< id of the first line of chunks_.front()
    LineId first_ = 0;
    LineId end_ = 0;
    std::uint64_t limit_ = kDefaultLineLimit;
    std::vector<Pending> pending_; ///< requests waiting for their answers, oldest first
    std::vector<int> ports_;
    WkProtocolLine parts_; ///< reused for every append
    std::string rendered_; ///< reused for every append
};
