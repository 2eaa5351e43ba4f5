#include "WkLogStore.h"

#include "WkFrameDecoder.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::size_t kChunkLines = 4096;
constexpr std::size_t kFirstArenaBytes = kChunkLines * 16;
// An answer further than this from its request belongs to another exchange.
constexpr std::int64_t kPairWindowMs = 30000;
constexpr std::size_t kMostPending = 64;
// Bus addresses a request may use to reach any reader.
constexpr int kBroadcastFrom = 254;

// The flags byte of a line: its kind in the low bits, then two marks.
constexpr std::uint8_t kKindMask = 0x07;
constexpr std::uint8_t kVerbatim = 0x08; // kept as text
constexpr std::uint8_t kError = 0x10;

bool AnswerIsError(std::span<const std::uint8_t> frame) {
    return !IsWholeFrame(frame, WkFrameDirection::kAnswer) || frame[3] != 0;
}

bool LineIsError(const WkProtocolLine& parts) {
    switch (parts.kind) {
    case WkLineKind::kError:
        return true;
    case WkLineKind::kSend:
        return !IsWholeFrame(parts.bytes, WkFrameDirection::kRequest);
    case WkLineKind::kReceive:
        return parts.code < 0 || AnswerIsError(parts.bytes);
    case WkLineKind::kAutoAnswer:
        for (auto frame : SplitFrames(parts.bytes)) {
            if (AnswerIsError(frame)) {
                return true;
            }
        }
        return false;
    case WkLineKind::kText:
        break;
    }
    return false;
}

} // namespace

struct WkLogStore::Chunk {
    std::array<WkPackedTime, kChunkLines> time;
    std::array<std::uint32_t, kChunkLines + 1> offset; ///< of each line's bytes in the arena
    std::array<std::int32_t, kChunkLines> partner;     ///< id difference, 0 for none
    std::array<std::int32_t, kChunkLines> code;
    std::array<std::uint16_t, kChunkLines> port;
    std::array<std::uint8_t, kChunkLines> flags;
    std::vector<std::uint8_t> arena;
    std::size_t count = 0;
};

WkLogStore::WkLogStore() = default;
WkLogStore::~WkLogStore() = default;

void WkLogStore::Append(std::string_view line, int port) {
    ParseProtocolLine(line, parts_);
    rendered_.clear();
    const bool exact =
        AppendProtocolLine(parts_.kind, parts_.time, parts_.code, parts_.bytes, rendered_) &&
        rendered_ == line;
    Add(parts_, exact ? std::nullopt : std::optional<std::string_view>(line), port);
}

void WkLogStore::AppendAutoAnswer(WkPackedTime time, std::span<const std::uint8_t> bytes,
                                  int port) {
    parts_.kind = WkLineKind::kAutoAnswer;
    parts_.time = time;
    parts_.code = 0;
    parts_.bytes.assign(bytes.begin(), bytes.end());
    Add(parts_, std::nullopt, port);
}

void WkLogStore::Add(const WkProtocolLine& parts, std::optional<std::string_view> verbatim,
                     int port) {
    if (chunks_.empty() || chunks_.back()->count == kChunkLines) {
        std::size_t reserve = kFirstArenaBytes;
        if (!chunks_.empty()) {
            chunks_.back()->arena.shrink_to_fit();
            reserve = chunks_.back()->arena.size() + chunks_.back()->arena.size() / 8;
        } else {
            chunkBase_ = end_;
        }
        // Every field of a line is written when the line is added: no need to clear them first.
        chunks_.push_back(std::make_unique_for_overwrite<Chunk>());
        chunks_.back()->offset[0] = 0;
        chunks_.back()->arena.reserve(reserve);
    }
    Chunk& chunk = *chunks_.back();
    const std::size_t i = chunk.count;
    chunk.time[i] = parts.time;
    chunk.code[i] = parts.code;
    chunk.port[i] = static_cast<std::uint16_t>(std::clamp(port, 0, 0xFFFF));
    if (const auto at = std::lower_bound(ports_.begin(), ports_.end(), port);
        port > 0 && (at == ports_.end() || *at != port)) {
        ports_.insert(at, port);
    }
    chunk.partner[i] = 0;
    chunk.flags[i] =
        static_cast<std::uint8_t>(static_cast<std::uint8_t>(parts.kind) |
                                  (verbatim ? kVerbatim : 0) | (LineIsError(parts) ? kError : 0));
    if (verbatim) {
        chunk.arena.insert(chunk.arena.end(), verbatim->begin(), verbatim->end());
    } else {
        chunk.arena.insert(chunk.arena.end(), parts.bytes.begin(), parts.bytes.end());
    }
    chunk.offset[i + 1] = static_cast<std::uint32_t>(chunk.arena.size());
    ++chunk.count;
    const LineId id = end_++;
    Pair(id, parts, chunk.port[i]);
    DropOverLimit();
}

void WkLogStore::Clear() {
    chunks_.clear();
    pending_.clear();
    ports_.clear();
    chunkBase_ = first_ = end_ = 0;
}

void WkLogStore::SetLineLimit(std::uint64_t maxLines) {
    limit_ = maxLines;
    DropOverLimit();
}

void WkLogStore::DropOverLimit() {
    if (limit_ == 0 || Size() <= limit_) {
        return;
    }
    first_ = end_ - limit_;
    while (!chunks_.empty() && chunkBase_ + chunks_.front()->count <= first_ &&
           chunks_.front()->count == kChunkLines) {
        chunkBase_ += kChunkLines;
        chunks_.pop_front();
    }
    std::erase_if(pending_, [this](const Pending& p) { return p.id < first_; });
}

std::string WkLogStore::MarkerLine() const {
    if (first_ == 0) {
        return {};
    }
    return "*** " + std::to_string(first_) + " older lines dropped (line limit " +
           std::to_string(limit_) + ") ***";
}

WkLogStore::Where WkLogStore::Find(LineId id) const {
    const LineId offset = id - chunkBase_;
    return {chunks_[offset / kChunkLines].get(), static_cast<std::size_t>(offset % kChunkLines)};
}

std::span<const std::uint8_t> WkLogStore::Stored(const Where& at) const {
    const std::uint32_t begin = at.chunk->offset[at.index];
    return {at.chunk->arena.data() + begin, at.chunk->offset[at.index + 1] - begin};
}

WkLineKind WkLogStore::Kind(LineId id) const {
    const Where at = Find(id);
    return static_cast<WkLineKind>(at.chunk->flags[at.index] & kKindMask);
}

WkPackedTime WkLogStore::Time(LineId id) const {
    const Where at = Find(id);
    return at.chunk->time[at.index];
}

int WkLogStore::Code(LineId id) const {
    const Where at = Find(id);
    return at.chunk->code[at.index];
}

int WkLogStore::Port(LineId id) const {
    const Where at = Find(id);
    return at.chunk->port[at.index];
}

bool WkLogStore::IsError(LineId id) const {
    const Where at = Find(id);
    return (at.chunk->flags[at.index] & kError) != 0;
}

std::span<const std::uint8_t> WkLogStore::Bytes(LineId id,
                                                std::vector<std::uint8_t>& scratch) const {
    const Where at = Find(id);
    const std::span<const std::uint8_t> stored = Stored(at);
    if ((at.chunk->flags[at.index] & kVerbatim) == 0) {
        return stored;
    }
    WkProtocolLine parts;
    parts.bytes.swap(scratch);
    ParseProtocolLine(std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size()),
                      parts);
    scratch.swap(parts.bytes);
    return scratch;
}

std::span<const std::uint8_t> WkLogStore::FrameOrRequest(LineId id,
                                                         std::vector<std::uint8_t>& scratch) const {
    const std::span<const std::uint8_t> bytes = Bytes(id, scratch);
    if (bytes.size() >= 3) {
        return bytes;
    }
    const std::optional<LineId> request = Partner(id);
    if (!request || Kind(*request) != WkLineKind::kSend) {
        return {};
    }
    return Bytes(*request, scratch);
}

int WkLogStore::Address(LineId id) const {
    std::vector<std::uint8_t> scratch;
    const std::span<const std::uint8_t> bytes = FrameOrRequest(id, scratch);
    return bytes.size() < 3 ? -1 : bytes[1];
}

int WkLogStore::Command(LineId id) const {
    std::vector<std::uint8_t> scratch;
    const std::span<const std::uint8_t> bytes = FrameOrRequest(id, scratch);
    return bytes.size() < 3 ? -1 : bytes[2];
}

void WkLogStore::AppendText(LineId id, std::string& out) const {
    const Where at = Find(id);
    const std::span<const std::uint8_t> stored = Stored(at);
    const std::uint8_t flags = at.chunk->flags[at.index];
    if ((flags & kVerbatim) != 0) {
        out.append(reinterpret_cast<const char*>(stored.data()), stored.size());
        return;
    }
    AppendProtocolLine(static_cast<WkLineKind>(flags & kKindMask), at.chunk->time[at.index],
                       at.chunk->code[at.index], stored, out);
}

std::string WkLogStore::Text(LineId id) const {
    std::string text;
    AppendText(id, text);
    return text;
}

std::optional<WkLogStore::LineId> WkLogStore::Partner(LineId id) const {
    const Where at = Find(id);
    const std::int32_t delta = at.chunk->partner[at.index];
    if (delta == 0) {
        return std::nullopt;
    }
    const LineId partner = id + static_cast<LineId>(static_cast<std::int64_t>(delta));
    if (partner < first_ || partner >= end_) {
        return std::nullopt;
    }
    return partner;
}

std::optional<std::int64_t> WkLogStore::LatencyMs(LineId id) const {
    const std::optional<LineId> request = Partner(id);
    if (!request || *request > id) {
        return std::nullopt;
    }
    return TimeStampMilliseconds(Time(id)) - TimeStampMilliseconds(Time(*request));
}

void WkLogStore::SetPartner(LineId a, LineId b) {
    const Where at = Find(a);
    at.chunk->partner[at.index] =
        static_cast<std::int32_t>(static_cast<std::int64_t>(b) - static_cast<std::int64_t>(a));
}

void WkLogStore::Pair(LineId id, const WkProtocolLine& parts, int port) {
    const auto samePort = [port](const Pending& p) {
        return port == 0 || p.port == 0 || p.port == port;
    };
    if (parts.kind == WkLineKind::kSend) {
        if (parts.bytes.size() < 3) {
            return;
        }
        // A port carries one exchange at a time, so a request still waiting on the same
        // port (or, not knowing the port, to the same address) has gone unanswered.
        const int address = parts.bytes[1];
        std::erase_if(pending_, [&](const Pending& p) {
            return port != 0 ? p.port == port : p.address == address;
        });
        if (pending_.size() == kMostPending) {
            pending_.erase(pending_.begin());
        }
        pending_.push_back(
            {id, parts.time, static_cast<std::uint16_t>(port), parts.bytes[1], parts.bytes[2]});
        return;
    }
    if (parts.kind != WkLineKind::kReceive && parts.kind != WkLineKind::kError) {
        return;
    }
    const std::int64_t now = TimeStampMilliseconds(parts.time);
    const auto inWindow = [&](const Pending& p) {
        const std::int64_t waited = now - TimeStampMilliseconds(p.time);
        return waited >= 0 && waited <= kPairWindowMs &&
               id - p.id <= static_cast<LineId>(std::numeric_limits<std::int32_t>::max());
    };
    auto match = pending_.rend();
    if (parts.bytes.size() >= 3) {
        // An answer repeats its request's command byte and names the answering reader.
        match = std::find_if(pending_.rbegin(), pending_.rend(), [&](const Pending& p) {
            return samePort(p) && inWindow(p) && p.command == parts.bytes[2] &&
                   (p.address == parts.bytes[1] || p.address >= kBroadcastFrom);
        });
    }
    if (match == pending_.rend() && (parts.code < 0 || parts.kind == WkLineKind::kError)) {
        // A failed exchange belongs to the request just sent, whatever bytes came back.
        match = std::find_if(pending_.rbegin(), pending_.rend(),
                             [&](const Pending& p) { return samePort(p) && inWindow(p); });
    }
    if (match == pending_.rend()) {
        return;
    }
    SetPartner(id, match->id);
    SetPartner(match->id, id);
    pending_.erase(std::next(match).base());
}
