#pragma once
// The protocol window's own commands, without a toolkit: "Export CSV...", "Log to File..."
// and "Line Limit...". The view forwards the user's choice here; the dialogs are asked
// through the prompts.

#include "WkLogDoc.h"
#include "WkLogRows.h"
#include "WkPrompts.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class WkLogCommands {
public:
    /// The line limits the user may type; 0 is none.
    static constexpr std::uint64_t kSmallestLineLimit = 1000;
    static constexpr std::uint64_t kLargestLineLimit = 10000000;
    /// A typed line limit: digits, grouped or not ("250,000"), from the smallest to the
    /// largest; empty for none (0). Nothing for any other text.
    static std::optional<std::uint64_t> ParseLineLimit(const std::string& text);

    WkLogCommands(WkLogDoc& document, const WkLogRows& rows);

    /// Asks for a file and writes the rows shown, as comma-separated values with a header
    /// line. A file that cannot be written is reported.
    void ExportCsv(WkPrompts& prompts) const;
    /// Writes the rows shown to `path`, replacing it whole or not at all.
    bool WriteCsv(const std::filesystem::path& path) const;

    /// Stops logging to a file, or asks for one and starts. A rich-text file that exists is
    /// appended to, replaced or left (Append is the default for a log of ours); any other
    /// file is replaced only when the user agrees. A file that cannot be written is reported.
    void ToggleLogToFile(WkPrompts& prompts);

    /// Lets the user type the line limit (asked again after a text that is none); true when
    /// it changed.
    bool ChooseLineLimit(WkPrompts& prompts);

private:
    WkLogDoc& document_;
    const WkLogRows& rows_;
};
