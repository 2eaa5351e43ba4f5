#pragma once
// The rows the protocol window shows over its line store: the lines that pass the filter,
// the marker line first once old lines were dropped, each row's columns decoded only when
// asked for, the pairing of request and answer rows, and searching.

#include "WkLogFilter.h"
#include "WkLogStore.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class WkLogRows {
public:
    enum Column { kTime, kDir, kAddress, kCommand, kStatus, kData, kDecoded, kLatency };
    static constexpr int kColumnCount = 8;
    /// "Time", "Dir", "Address", "Command", "Status", "Data (hex)", "Decoded", "Latency".
    static const char* ColumnTitle(int column);

    explicit WkLogRows(const WkLogStore& store);

    /// Shows the lines that pass `filter`; goes over every line kept.
    void SetFilter(const WkLogFilter& filter);
    const WkLogFilter& Filter() const { return filter_; }

    /// What changed since the last Update: rows removed at the front (after the marker row)
    /// and rows added at the end; `reset` when the rows are to be read again from scratch
    /// (the store was cleared, or the marker row appeared).
    struct Change {
        std::uint64_t removed = 0;
        std::uint64_t added = 0;
        bool reset = false;
    };
    /// Follows the store after appends, drops and a clear.
    Change Update();

    std::uint64_t RowCount() const;
    /// Row 0 is the marker line once lines were dropped.
    bool HasMarkerRow() const { return hasMarker_; }
    /// The line of a row; nothing for the marker row and rows out of range.
    std::optional<WkLogStore::LineId> LineAt(std::uint64_t row) const;
    std::optional<std::uint64_t> RowOf(WkLogStore::LineId id) const;

    /// The row's line text, exactly as it came in (the marker row: the marker line).
    std::string RowText(std::uint64_t row) const;
    /// The row's line is an error (WkLogStore::IsError).
    bool IsErrorRow(std::uint64_t row) const;
    /// One column of a row, decoded on first use and kept for a while.
    std::string Cell(std::uint64_t row, int column) const;
    /// The row of the answer of a request row, or of the request of an answer row, when it
    /// is shown.
    std::optional<std::uint64_t> PartnerRow(std::uint64_t row) const;

    /// The next row after `from` (before it, with `forward` false) whose line text or
    /// command name holds `text`, ignoring case; the search wraps around once and starts at
    /// the first (last) row when `from` is not given. Nothing when no row holds it.
    std::optional<std::uint64_t> Find(std::string_view text, std::optional<std::uint64_t> from,
                                      bool forward) const;

    /// The rows as comma-separated values: a header line, then each row's columns.
    static std::string CsvHeader();
    std::string CsvLine(std::uint64_t row) const;

private:
    using Cells = std::array<std::string, kColumnCount>;
    Cells Decode(WkLogStore::LineId id) const;
    const Cells& CellsOf(WkLogStore::LineId id) const;
    std::string_view CommandName(std::optional<WkLogStore::LineId> id) const;
    void Rebuild();

    const WkLogStore& store_;
    WkLogFilter filter_;
    std::deque<WkLogStore::LineId> index_; ///< the lines shown, when a filter is set
    WkLogStore::LineId seenFirst_ = 0;
    WkLogStore::LineId seenEnd_ = 0;
    bool hasMarker_ = false;
    mutable std::unordered_map<WkLogStore::LineId, Cells> cache_;
};
