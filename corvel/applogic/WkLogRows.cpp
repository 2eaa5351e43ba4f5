#include "WkLogRows.h"

#include "WkFrameDecoder.h"
#include "WkReaderCommandTable.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

using LineId = WkLogStore::LineId;
using FrameBytes = std::span<const std::uint8_t>;

// Decoded columns are kept for about this many lines: a few screens.
constexpr std::size_t kMostCachedLines = 4096;
// "MM/DD/YY " before the time of day.
constexpr std::size_t kDateLength = 9;
constexpr std::size_t kStampLength = 21;

const char* DirectionText(WkLineKind kind) {
    switch (kind) {
    case WkLineKind::kSend:
        return ">>";
    case WkLineKind::kReceive:
        return "<<";
    case WkLineKind::kError:
        return "!!";
    case WkLineKind::kAutoAnswer:
        return "AA";
    case WkLineKind::kText:
        break;
    }
    return "";
}

std::string HexText(FrameBytes bytes) {
    std::string text;
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string DecodedText(const WkDecodedFrame& frame) {
    std::string text = frame.Summary();
    if (!frame.problem.empty()) {
        text += (text.empty() ? "[" : "  [") + frame.problem + "]";
    }
    return text;
}

// The outcome a failed exchange's line states in words: what follows the "  <<  " or
// "  !!  " mark, up to the bytes that came back.
std::string OutcomeText(const std::string& line) {
    if (line.size() < kStampLength + 6) {
        return line;
    }
    std::string text = line.substr(kStampLength + 6);
    const std::size_t bytes = text.find("  (");
    return bytes == std::string::npos ? text : text.substr(0, bytes);
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

std::string CsvField(const std::string& value) {
    if (value.find_first_of(",\"\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

} // namespace

std::string_view WkLogRows::CommandName(std::optional<LineId> id) const {
    const int command = id ? store_.Command(*id) : -1;
    if (command < 0) {
        return {};
    }
    const WkReaderCommand* known = FindReaderCommand(command);
    return known != nullptr ? known->name : kUnknownCommandName;
}

const char* WkLogRows::ColumnTitle(int column) {
    static const char* const kTitles[kColumnCount] = {"Time",   "Dir",        "Address", "Command",
                                                      "Status", "Data (hex)", "Decoded", "Latency"};
    return column >= 0 && column < kColumnCount ? kTitles[column] : "";
}

WkLogRows::WkLogRows(const WkLogStore& store) : store_(store) {
    Rebuild();
}

void WkLogRows::SetFilter(const WkLogFilter& filter) {
    filter_ = filter;
    Rebuild();
}

void WkLogRows::Rebuild() {
    index_.clear();
    cache_.clear();
    seenFirst_ = store_.FirstId();
    seenEnd_ = store_.EndId();
    hasMarker_ = store_.Dropped() > 0;
    if (filter_.IsEmpty()) {
        return;
    }
    for (LineId id = seenFirst_; id < seenEnd_; ++id) {
        if (filter_.Matches(store_, id)) {
            index_.push_back(id);
        }
    }
}

WkLogRows::Change WkLogRows::Update() {
    Change change;
    const LineId first = store_.FirstId();
    const LineId end = store_.EndId();
    if (end < seenEnd_ || first < seenFirst_ || hasMarker_ != (store_.Dropped() > 0)) {
        Rebuild();
        change.reset = true;
        return change;
    }
    if (filter_.IsEmpty()) {
        change.removed = std::min(first, seenEnd_) - seenFirst_;
        change.added = end - std::max(first, seenEnd_);
    } else {
        while (!index_.empty() && index_.front() < first) {
            index_.pop_front();
            ++change.removed;
        }
        for (LineId id = std::max(first, seenEnd_); id < end; ++id) {
            if (filter_.Matches(store_, id)) {
                index_.push_back(id);
                ++change.added;
            }
        }
    }
    if (first > seenFirst_) {
        std::erase_if(cache_, [first](const auto& entry) { return entry.first < first; });
    }
    seenFirst_ = first;
    seenEnd_ = end;
    return change;
}

std::uint64_t WkLogRows::RowCount() const {
    const std::uint64_t lines = filter_.IsEmpty() ? seenEnd_ - seenFirst_ : index_.size();
    return lines + (hasMarker_ ? 1 : 0);
}

std::optional<LineId> WkLogRows::LineAt(std::uint64_t row) const {
    if (hasMarker_) {
        if (row == 0) {
            return std::nullopt;
        }
        --row;
    }
    if (filter_.IsEmpty()) {
        if (row >= seenEnd_ - seenFirst_) {
            return std::nullopt;
        }
        return seenFirst_ + row;
    }
    if (row >= index_.size()) {
        return std::nullopt;
    }
    return index_[row];
}

std::optional<std::uint64_t> WkLogRows::RowOf(LineId id) const {
    if (id < seenFirst_ || id >= seenEnd_) {
        return std::nullopt;
    }
    const std::uint64_t marker = hasMarker_ ? 1 : 0;
    if (filter_.IsEmpty()) {
        return id - seenFirst_ + marker;
    }
    auto found = std::lower_bound(index_.begin(), index_.end(), id);
    if (found == index_.end() || *found != id) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(found - index_.begin()) + marker;
}

std::string WkLogRows::RowText(std::uint64_t row) const {
    if (std::optional<LineId> id = LineAt(row)) {
        return store_.Text(*id);
    }
    return hasMarker_ && row == 0 ? store_.MarkerLine() : std::string();
}

bool WkLogRows::IsErrorRow(std::uint64_t row) const {
    const std::optional<LineId> id = LineAt(row);
    return id && store_.IsError(*id);
}

std::string WkLogRows::Cell(std::uint64_t row, int column) const {
    if (column < 0 || column >= kColumnCount) {
        return {};
    }
    if (std::optional<LineId> id = LineAt(row)) {
        return CellsOf(*id)[column];
    }
    if (hasMarker_ && row == 0 && column == kDecoded) {
        return store_.MarkerLine();
    }
    return {};
}

const WkLogRows::Cells& WkLogRows::CellsOf(LineId id) const {
    auto found = cache_.find(id);
    if (found != cache_.end()) {
        return found->second;
    }
    if (cache_.size() >= kMostCachedLines) {
        cache_.clear();
    }
    return cache_.emplace(id, Decode(id)).first->second;
}

WkLogRows::Cells WkLogRows::Decode(LineId id) const {
    Cells cells;
    const WkLineKind kind = store_.Kind(id);
    const std::string line = store_.Text(id);
    if (kind == WkLineKind::kText) {
        cells[kDecoded] = line;
        return cells;
    }
    cells[kTime] = line.substr(kDateLength, kStampLength - kDateLength);
    cells[kDir] = DirectionText(kind);
    if (const int address = store_.Address(id); address >= 0) {
        cells[kAddress] = std::to_string(address);
    }
    std::vector<std::uint8_t> scratch;
    const FrameBytes bytes = store_.Bytes(id, scratch);
    cells[kData] = HexText(bytes);
    const std::optional<LineId> partner = store_.Partner(id);
    std::vector<std::uint8_t> requestScratch;
    FrameBytes request;
    if (partner && store_.Kind(*partner) == WkLineKind::kSend) {
        request = store_.Bytes(*partner, requestScratch);
    }

    std::vector<WkDecodedFrame> frames;
    if (kind == WkLineKind::kSend) {
        frames.push_back(DecodeRequest(bytes));
    } else if (kind == WkLineKind::kAutoAnswer) {
        for (FrameBytes frame : SplitFrames(bytes)) {
            frames.push_back(DecodeAnswer(frame));
        }
    } else if (!bytes.empty()) {
        frames.push_back(DecodeAnswer(bytes, request));
    } else if (!request.empty()) {
        // A failed exchange without answer bytes is about its request's command.
        cells[kCommand] = DecodeRequest(request).commandName;
    }
    for (const WkDecodedFrame& frame : frames) {
        if (&frame != &frames.front()) {
            cells[kDecoded] += " | ";
        }
        cells[kDecoded] += DecodedText(frame);
    }
    if (!frames.empty()) {
        cells[kCommand] = frames.front().commandName;
        cells[kStatus] = frames.front().statusText;
    }
    if (kind == WkLineKind::kError || store_.Code(id) < 0) {
        cells[kStatus] = OutcomeText(line);
    }
    if (std::optional<std::int64_t> latency = store_.LatencyMs(id)) {
        cells[kLatency] = std::to_string(*latency) + " ms";
    }
    return cells;
}

std::optional<std::uint64_t> WkLogRows::PartnerRow(std::uint64_t row) const {
    std::optional<LineId> id = LineAt(row);
    if (!id) {
        return std::nullopt;
    }
    std::optional<LineId> partner = store_.Partner(*id);
    return partner ? RowOf(*partner) : std::nullopt;
}

std::optional<std::uint64_t>
WkLogRows::Find(std::string_view text, std::optional<std::uint64_t> from, bool forward) const {
    const std::uint64_t count = RowCount();
    if (count == 0 || text.empty()) {
        return std::nullopt;
    }
    std::uint64_t row = from.value_or(forward ? count - 1 : 0) % count;
    for (std::uint64_t step = 0; step < count; ++step) {
        row = forward ? (row + 1) % count : (row + count - 1) % count;
        if (ContainsIgnoringCase(RowText(row), text) ||
            ContainsIgnoringCase(CommandName(LineAt(row)), text)) {
            return row;
        }
    }
    return std::nullopt;
}

std::string WkLogRows::CsvHeader() {
    std::string line;
    for (int column = 0; column < kColumnCount; ++column) {
        line += column == 0 ? "" : ",";
        line += ColumnTitle(column);
    }
    return line;
}

std::string WkLogRows::CsvLine(std::uint64_t row) const {
    std::string line;
    for (int column = 0; column < kColumnCount; ++column) {
        line += column == 0 ? "" : ",";
        line += CsvField(Cell(row, column));
    }
    return line;
}
