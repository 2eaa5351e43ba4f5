#include "WkLogCommands.h"
#include "AppFakes.h"
#include "WkLogSink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

class NullSink : public WkLogSink {
public:
    void AppendLines(const std::vector<std::string>&) override {}
    void RequestDrain(bool) override {}
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(WkLogCommands, ExportLogToFileAndLineLimit) {
    const auto dir = std::filesystem::temp_directory_path() / "corvel_log_commands";
    std::filesystem::create_directories(dir);
    WkLogDoc doc;
    doc.SetTitle("Log1");
    NullSink sink;
    doc.AttachSink(&sink, std::this_thread::get_id());
    WkLogRows rows(doc.Store());
    WkLogCommands commands(doc, rows);
    AppPrompts prompts;

    // Log to file from the first line on.
    prompts.saveAnswers = {(dir / "live.log").string()};
    commands.ToggleLogToFile(prompts);
    EXPECT_TRUE(doc.IsLoggingToFile());
    doc.Append("12/07/26 13:00:00.000  >>  04 00 65 61 ");
    doc.Append("12/07/26 13:00:00.020  <<  05 00 65 00 60   OK");
    doc.Drain();
    rows.Update();
    commands.ToggleLogToFile(prompts);
    EXPECT_FALSE(doc.IsLoggingToFile());
    EXPECT_EQ(ReadRtfText(ReadFile(dir / "live.log")),
              "12/07/26 13:00:00.000  >>  04 00 65 61 \n"
              "12/07/26 13:00:00.020  <<  05 00 65 00 60   OK\n");

    // Only the rows shown go into the CSV file.
    WkLogFilter answers;
    answers.direction = WkLogFilter::Direction::kAnswers;
    rows.SetFilter(answers);
    prompts.saveAnswers = {(dir / "rows.csv").string()};
    commands.ExportCsv(prompts);
    EXPECT_EQ(prompts.saveProposals.back(), "Log1.csv");
    EXPECT_EQ(ReadFile(dir / "rows.csv"),
              "Time,Dir,Address,Command,Status,Data (hex),Decoded,Latency\n"
              "13:00:00.020,<<,0,[0x65] Software Version,OK,05 00 65 00 60,,20 ms\n");
    // A folder that does not exist is reported.
    prompts.saveAnswers = {(dir / "missing" / "rows.csv").string()};
    commands.ExportCsv(prompts);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].rfind("Cannot write the file\n", 0), 0u);

    // A typed limit; one below the smallest is asked again, as typed.
    prompts.textAnswers = {"999", "250,000"};
    EXPECT_TRUE(commands.ChooseLineLimit(prompts));
    EXPECT_EQ(doc.LineLimit(), 250000u);
    EXPECT_EQ(prompts.textProposals, (std::vector<std::string>{"1,000,000", "999"}));
    EXPECT_EQ(prompts.messages.end()[-2],
              "Please enter a number of lines from 1,000 to 10,000,000, or nothing for no limit.");
    prompts.textAnswers = {""};
    EXPECT_TRUE(commands.ChooseLineLimit(prompts));
    EXPECT_EQ(doc.LineLimit(), 0u);
    EXPECT_FALSE(commands.ChooseLineLimit(prompts)); // cancelled
    EXPECT_EQ(doc.LineLimit(), 0u);
    for (const char* text : {"12x00", "-5000", "10000001", "999"}) {
        EXPECT_FALSE(WkLogCommands::ParseLineLimit(text).has_value()) << text;
    }
    EXPECT_EQ(WkLogCommands::ParseLineLimit("1 000"), 1000u);
    doc.DetachSink();
    std::filesystem::remove_all(dir);
}

TEST(WkLogCommands, LogToAnExistingFileAppendsReplacesOrLeavesIt) {
    const auto dir = std::filesystem::temp_directory_path() / "corvel_log_append";
    std::filesystem::create_directories(dir);
    const auto path = dir / "day.log";
    AppPrompts prompts;
    // One run of the window: logs `lines` to `path`, the question answered with `choice`.
    const auto run = [&](std::vector<std::string> lines, int choice) {
        WkLogDoc doc;
        NullSink sink;
        doc.AttachSink(&sink, std::this_thread::get_id());
        WkLogRows rows(doc.Store());
        WkLogCommands commands(doc, rows);
        prompts.saveAnswers = {path.string()};
        prompts.choiceAnswers = {choice};
        commands.ToggleLogToFile(prompts);
        for (const std::string& line : lines) {
            doc.Append(line);
        }
        doc.Drain();
        const bool logged = doc.IsLoggingToFile();
        doc.DetachSink();
        return logged;
    };
    ASSERT_TRUE(run({"first run 1", "first run 2"}, 0));
    EXPECT_TRUE(prompts.choicePreferred.empty()); // a new file needs no question

    // After a restart, the same file: Append is the default and keeps the earlier lines.
    ASSERT_TRUE(run({"second run"}, 0));
    EXPECT_EQ(prompts.choicePreferred, std::vector<int>{0});
    EXPECT_EQ(ReadRtfUtf8Text(ReadFile(path)), "first run 1\nfirst run 2\nsecond run\n");
    // Cancel leaves it alone; Replace starts it afresh.
    EXPECT_FALSE(run({"lost"}, 2));
    EXPECT_EQ(ReadRtfUtf8Text(ReadFile(path)), "first run 1\nfirst run 2\nsecond run\n");
    ASSERT_TRUE(run({"third run"}, 1));
    EXPECT_EQ(ReadRtfUtf8Text(ReadFile(path)), "third run\n");

    // Another program's rich text is offered Append, not as the default; its last paragraph
    // stays a line of its own.
    std::ofstream(path, std::ios::binary) << "{\\rtf1\\ansi notes}\r\n";
    ASSERT_TRUE(run({"added"}, 0));
    EXPECT_EQ(prompts.choicePreferred.back(), 1);
    EXPECT_EQ(ReadRtfUtf8Text(ReadFile(path)), "notes\nadded\n");
    // A file that is no rich text is only replaced when the user agrees.
    std::ofstream(path, std::ios::binary) << "plain notes";
    prompts.yesNoAnswers = {false};
    EXPECT_FALSE(run({"lost"}, 0));
    EXPECT_EQ(ReadFile(path), "plain notes");
    std::filesystem::remove_all(dir);
}
