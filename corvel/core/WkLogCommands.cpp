#include "WkLogCommands.h"

#include "WkAtomicFile.h"

#include <algorithm>

namespace {

constexpr const char* kCsvFilter = "CSV-File(*.csv)";
constexpr const char* kLogFilter = "Log-File(*.log)";
constexpr std::size_t kPieceBytes = 1 << 16;

void ReportUnwritable(Prompts& prompts, const std::string& path) {
    prompts.ShowMessage("Cannot write the file\n" + path, Prompts::Icon::Error);
}

// 1000000 as "1,000,000".
std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

} // namespace

const std::vector<std::uint64_t>& WkLogCommands::LineLimits() {
    static const std::vector<std::uint64_t> limits = {0, 100000, 1000000, 10000000};
    return limits;
}

std::string WkLogCommands::LineLimitText(std::uint64_t limit) {
    return limit == 0 ? "No limit" : Grouped(limit) + " lines";
}

WkLogCommands::WkLogCommands(WkLogDoc& document, const WkLogRows& rows)
    : document_(document), rows_(rows) {}

void WkLogCommands::ExportCsv(WkPrompts& prompts) const {
    std::optional<std::string> path = prompts.AskSaveFileOfType(
        std::filesystem::path(document_.PlainTitle()).stem().string() + ".csv", kCsvFilter);
    if (path && !WriteCsv(*path)) {
        ReportUnwritable(prompts, *path);
    }
}

bool WkLogCommands::WriteCsv(const std::filesystem::path& path) const {
    return WriteFileAtomically(path, [this](const WkFileWriter& write) {
        std::string piece = WkLogRows::CsvHeader() + "\n";
        for (std::uint64_t row = 0; row < rows_.RowCount(); ++row) {
            piece += rows_.CsvLine(row);
            piece += '\n';
            if (piece.size() >= kPieceBytes) {
                if (!write(piece)) {
                    return false;
                }
                piece.clear();
            }
        }
        return write(piece);
    });
}

void WkLogCommands::ToggleLogToFile(WkPrompts& prompts) {
    if (document_.IsLoggingToFile()) {
        document_.StopLogToFile();
        return;
    }
    std::optional<std::string> path = prompts.AskSaveFileKeepExisting("Protocol.log", kLogFilter);
    if (!path) {
        return;
    }
    bool append = false;
    const WkLogFileStream::Existing existing = WkLogFileStream::Inspect(*path);
    switch (existing) {
    case WkLogFileStream::Existing::kNothing:
        break;
    case WkLogFileStream::Existing::kOurLog:
    case WkLogFileStream::Existing::kRichText: {
        // A log of an earlier run is continued unless the user says otherwise.
        const int answer = prompts.AskChoice(
            *path + "\nalready exists.\nAppend the new lines to it, or replace it?",
            {"Append", "Replace", "Cancel"},
            existing == WkLogFileStream::Existing::kOurLog ? 0 : 1);
        if (answer != 0 && answer != 1) {
            return;
        }
        append = answer == 0;
        break;
    }
    case WkLogFileStream::Existing::kOther:
        if (!prompts.AskYesNo(*path + "\nalready exists and is no log.\nReplace it?")) {
            return;
        }
        break;
    case WkLogFileStream::Existing::kNotAFile:
        ReportUnwritable(prompts, *path);
        return;
    }
    if (!document_.StartLogToFile(*path, append)) {
        ReportUnwritable(prompts, *path);
    }
}

bool WkLogCommands::ChooseLineLimit(Prompts& prompts) {
    const auto& limits = LineLimits();
    std::vector<std::string> items;
    for (std::uint64_t limit : limits) {
        items.push_back(LineLimitText(limit));
    }
    const auto current = std::find(limits.begin(), limits.end(), document_.LineLimit());
    const int preselected =
        current == limits.end() ? -1 : static_cast<int>(current - limits.begin());
    const int chosen = prompts.SelectFromList(
        "Line Limit", "The most lines the protocol window keeps; older lines are dropped.", items,
        preselected);
    if (chosen < 0 || chosen >= static_cast<int>(limits.size()) || chosen == preselected) {
        return false;
    }
    document_.SetLineLimit(limits[static_cast<std::size_t>(chosen)]);
    return true;
}
