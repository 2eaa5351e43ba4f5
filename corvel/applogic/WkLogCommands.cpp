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

std::optional<std::uint64_t> WkLogCommands::ParseLineLimit(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c != ',' && c != '.' && c != ' ' && c != '\'') {
            return std::nullopt;
        }
    }
    if (digits.empty()) {
        return text.find_first_not_of(' ') == std::string::npos ? std::optional<std::uint64_t>(0)
                                                                : std::nullopt;
    }
    if (digits.size() > 9) {
        return std::nullopt;
    }
    const std::uint64_t limit = std::stoull(digits);
    if (limit < kSmallestLineLimit || limit > kLargestLineLimit) {
        return std::nullopt;
    }
    return limit;
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

bool WkLogCommands::ChooseLineLimit(WkPrompts& prompts) {
    const std::uint64_t current = document_.LineLimit();
    std::string text = current == 0 ? std::string() : Grouped(current);
    for (;;) {
        const std::optional<std::string> typed = prompts.AskText(
            "Line Limit",
            "The most lines the protocol window keeps (" + Grouped(kSmallestLineLimit) + " to " +
                Grouped(kLargestLineLimit) + "); older lines are dropped. Empty: no limit.",
            text);
        if (!typed) {
            return false;
        }
        if (const std::optional<std::uint64_t> limit = ParseLineLimit(*typed)) {
            if (*limit == current) {
                return false;
            }
            document_.SetLineLimit(*limit);
            return true;
        }
        prompts.ShowMessage("Please enter a number of lines from " + Grouped(kSmallestLineLimit) +
                            " to " + Grouped(kLargestLineLimit) + ", or nothing for no limit.");
        text = *typed;
    }
}
