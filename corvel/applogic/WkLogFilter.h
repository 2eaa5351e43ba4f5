#pragma once
// Which lines of the protocol window are shown.

#include "WkLogStore.h"

struct WkLogFilter {
    enum class Direction : std::uint8_t {
        kAll,
        kRequests, ///< send lines
        kAnswers,  ///< receive, error and auto-answer lines
    };

    int address = -1; ///< bus address, -1 for any
    int command = -1; ///< command byte, -1 for any
    int port = -1;    ///< serial port number, -1 for any
    bool errorsOnly = false;
    Direction direction = Direction::kAll;

    bool IsEmpty() const {
        return address < 0 && command < 0 && port < 0 && !errorsOnly &&
               direction == Direction::kAll;
    }
    bool operator==(const WkLogFilter&) const = default;

    /// True when the line passes every criterion. Lines that are no protocol lines pass only
    /// the empty filter.
    bool Matches(const WkLogStore& store, WkLogStore::LineId id) const;
};
