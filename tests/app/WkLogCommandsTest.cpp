#include "WkLogCommands.h"
#include "AppFakes.h"
#include "ScriptedPrompts.h"
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

    ScriptedPrompts choose;
    choose.AnswerSelection(1);
    EXPECT_TRUE(commands.ChooseLineLimit(choose));
    EXPECT_EQ(doc.LineLimit(), 100000u);
    EXPECT_EQ(choose.Records().back().preselected, 0);
    EXPECT_EQ(choose.Records().back().items[2], "1,000,000 lines");
    choose.AnswerSelection(-1);
    EXPECT_FALSE(commands.ChooseLineLimit(choose));
    EXPECT_EQ(doc.LineLimit(), 100000u);
    doc.DetachSink();
    std::filesystem::remove_all(dir);
}
