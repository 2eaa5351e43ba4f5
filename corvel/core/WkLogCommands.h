#pragma once
// The protocol window's own commands, without a toolkit: "Export CSV...", "Log to File..."
// and "Line Limit...". The view forwards the user's choice here; the dialogs are asked
// through the prompts.

#include "WkLogDoc.h"
#include "WkLogRows.h"
#include "WkPrompts.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class WkLogCommands {
public:
    /// Line limits offered, 0 for none, and their texts in the selection list.
    static const std::vector<std::uint64_t>& LineLimits();
    static std::string LineLimitText(std::uint64_t limit);

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

    /// Lets the user pick the line limit; true when it changed.
    bool ChooseLineLimit(Prompts& prompts);

private:
    WkLogDoc& document_;
    const WkLogRows& rows_;
};
