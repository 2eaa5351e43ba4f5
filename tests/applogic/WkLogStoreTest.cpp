#include "WkLogStore.h"
#include "WkLogRows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Stamp(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "12/07/26 13:%02d:%02d.%03d", ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return text;
}

std::string Hex(std::initializer_list<int> bytes) {
    std::string text;
    char pair[4];
    for (int b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        text += pair;
    }
    return text;
}

std::string Send(int ms, std::initializer_list<int> bytes) {
    return Stamp(ms) + "  >>  " + Hex(bytes);
}

std::string Answer(int ms, std::initializer_list<int> bytes, const char* status = "OK") {
    return Stamp(ms) + "  <<  " + Hex(bytes) + "  " + status;
}

} // namespace

TEST(WkLogStore, EveryLineComesBackAsItCameIn) {
    const auto lines = ReadLines(CORVEL_TEST_DATA "/ProtocolLines.txt");
    ASSERT_GT(lines.size(), 10u);
    WkLogStore store;
    for (const auto& line : lines) {
        store.Append(line);
    }
    // And lines that only look like protocol lines.
    const std::vector<std::string> odd = {
        "12/07/26 13:45:07.042  >>  04 00 65 61",     // no blank after the last pair
        "12/07/26 13:45:07.042  >>  04 00 6a 61 ",    // lower case
        "13/07/26 13:45:07.042  >>  04 00 65 61 ",    // month 13
        "12/07/26 13:45:07.042  <<  Error: -2031  (", // cut short
        "12/07/26 13:45:07.042  !!  Error-2051  VELK: parameter out of range",
        "12/07/26 13:45:07.042  <<  ",
    };
    for (const auto& line : odd) {
        store.Append(line);
    }
    ASSERT_EQ(store.Size(), lines.size() + odd.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(store.Text(i), lines[i]);
    }
    for (std::size_t i = 0; i < odd.size(); ++i) {
        EXPECT_EQ(store.Text(lines.size() + i), odd[i]);
    }
    // What the lines are.
    EXPECT_EQ(store.Kind(0), WkLineKind::kSend);
    EXPECT_EQ(store.Kind(9), WkLineKind::kReceive);
    EXPECT_EQ(store.Code(9), -2031);
    EXPECT_EQ(store.Kind(11), WkLineKind::kError);
    EXPECT_EQ(store.Code(11), -1030);
    EXPECT_EQ(store.Kind(12), WkLineKind::kAutoAnswer);
    EXPECT_EQ(store.Kind(13), WkLineKind::kText);
    // Errors: a failed exchange, a status other than OK, the error line; the auto-answer
    // line with two sound frames is none.
    EXPECT_TRUE(store.IsError(5));
    EXPECT_TRUE(store.IsError(9));
    EXPECT_TRUE(store.IsError(11));
    EXPECT_FALSE(store.IsError(1));
    EXPECT_FALSE(store.IsError(12));
}

TEST(WkLogStore, PairsRequestsWithTheirAnswers) {
    WkLogStore store;
    // Two readers on one bus; the request to address 3 gets no answer and fails.
    store.Append(Send(0, {0x04, 0x01, 0x65, 0x60}));                           // 0
    store.Append(Send(5, {0x04, 0x02, 0x65, 0x63}));                           // 1
    store.Append(Answer(20, {0x05, 0x02, 0x65, 0x00, 0x62}));                  // 2
    store.Append(Answer(31, {0x05, 0x01, 0x65, 0x00, 0x61}));                  // 3
    store.Append(Send(40, {0x04, 0x03, 0x74, 0x73}));                          // 4
    store.Append(Stamp(90) + "  !!  Error-1030  nothing received");            // 5
    store.Append(Send(100, {0x04, 0x03, 0x74, 0x73}));                         // 6, never answered
    store.Append(Send(200, {0x04, 0x03, 0x74, 0x73}));                         // 7
    store.Append(Answer(215, {0x06, 0x03, 0x74, 0x00, 0x05, 0x74}));           // 8
    store.Append(Stamp(300) + "  <<  " + Hex({0x05, 0x01, 0x65, 0x00, 0x61})); // 9 auto
    EXPECT_EQ(store.Partner(1), 2u);
    EXPECT_EQ(store.Partner(2), 1u);
    EXPECT_EQ(store.Partner(0), 3u);
    EXPECT_EQ(store.LatencyMs(3), 31);
    EXPECT_EQ(store.LatencyMs(2), 15);
    EXPECT_EQ(store.LatencyMs(1), std::nullopt); // the request has no latency of its own
    EXPECT_EQ(store.Partner(5), 4u);
    EXPECT_EQ(store.Address(5), 3); // from its request
    EXPECT_EQ(store.Partner(6), std::nullopt);
    EXPECT_EQ(store.Partner(8), 7u);
    EXPECT_EQ(store.Partner(9), std::nullopt);

    WkLogRows rows(store);
    EXPECT_EQ(rows.PartnerRow(8), 7u);
    EXPECT_EQ(rows.Cell(8, WkLogRows::kLatency), "15 ms");
    EXPECT_EQ(rows.Cell(8, WkLogRows::kCommand), "[0x74] Get Input State");
    EXPECT_EQ(rows.Cell(8, WkLogRows::kDecoded), "inputs: 0x05 (bits 0,2)");
    EXPECT_EQ(rows.Cell(5, WkLogRows::kCommand), "[0x74] Get Input State");
    EXPECT_EQ(rows.Cell(5, WkLogRows::kStatus), "Error-1030  nothing received");
    EXPECT_EQ(rows.Cell(9, WkLogRows::kDir), "AA");
    EXPECT_EQ(rows.Cell(0, WkLogRows::kTime), "13:00:00.000");
    EXPECT_EQ(rows.Cell(0, WkLogRows::kData), "04 01 65 60");
}

// Two ports at once (a command on one, another on the other): each answer pairs with the
// request of its own port, even to the same address, and the rows can be shown per port.
TEST(WkLogStore, PairsAndFiltersPerPort) {
    WkLogStore store;
    store.Append(Send(0, {0x04, 0x00, 0x65, 0x61}), 1);
    store.Append(Send(2, {0x04, 0x00, 0x65, 0x61}), 2);
    store.Append(Answer(10, {0x05, 0x00, 0x65, 0x00, 0x60}), 2);
    store.Append(Answer(12, {0x05, 0x00, 0x65, 0x00, 0x60}), 1);
    EXPECT_EQ(store.Partner(2), 1u);
    EXPECT_EQ(store.Partner(3), 0u);
    EXPECT_EQ(store.Ports(), (std::vector<int>{1, 2}));

    WkLogRows rows(store);
    WkLogFilter filter;
    filter.port = 2;
    rows.SetFilter(filter);
    ASSERT_EQ(rows.RowCount(), 2u);
    EXPECT_EQ(rows.LineAt(1), 2u);
}

TEST(WkLogStore, LineLimitDropsTheOldestWithOneMarker) {
    WkLogStore store;
    store.SetLineLimit(5000);
    WkLogRows rows(store);
    for (int i = 0; i < 12000; ++i) {
        store.Append(Send(i, {0x04, i % 4, 0x65, 0x61 ^ (i % 4)}));
    }
    EXPECT_EQ(store.Size(), 5000u);
    EXPECT_EQ(store.FirstId(), 7000u);
    EXPECT_EQ(store.Text(7000), Send(7000, {0x04, 0, 0x65, 0x61}));
    EXPECT_EQ(store.MarkerLine(), "*** 7000 older lines dropped (line limit 5000) ***");
    EXPECT_TRUE(rows.Update().reset);
    EXPECT_EQ(rows.RowCount(), 5001u);
    EXPECT_EQ(rows.RowText(0), store.MarkerLine());
    EXPECT_EQ(rows.LineAt(1), 7000u);
    store.Append(Send(12000, {0x04, 0, 0x65, 0x61}));
    const WkLogRows::Change change = rows.Update();
    EXPECT_EQ(change.removed, 1u);
    EXPECT_EQ(change.added, 1u);
    EXPECT_FALSE(change.reset);
    std::vector<std::string> saved;
    store.ForEachLine([&](std::string_view line) {
        saved.emplace_back(line);
        return true;
    });
    ASSERT_EQ(saved.size(), 5001u);
    EXPECT_EQ(saved[0], "*** 7001 older lines dropped (line limit 5000) ***");
    EXPECT_EQ(saved.back(), Send(12000, {0x04, 0, 0x65, 0x61}));
}

TEST(WkLogRows, FiltersAndSearchOverManyLines) {
    WkLogStore store;
    constexpr int kPairs = 50000;
    for (int i = 0; i < kPairs; ++i) {
        const int address = i % 5;
        store.Append(Send(i, {0x04, address, 0x11, 0x15 ^ address}));
        if (i % 1000 == 999) {
            // A checksum fault from address 4.
            store.Append(Stamp(i) + "  <<  Error: -2031  VELK: checksum error  (" +
                         Hex({0x05, address, 0x11, 0x00, 0x00}) + "  OK)");
        } else if (i % 10 == 1) {
            store.Append(Answer(i, {0x05, address, 0x11, 0x01, 0x15 ^ address},
                                "Reader: No Transponder in Reader Field"));
        } else {
            store.Append(Answer(i, {0x05, address, 0x11, 0x00, 0x14 ^ address}));
        }
    }
    WkLogRows rows(store);
    EXPECT_EQ(rows.RowCount(), 2u * kPairs);

    WkLogFilter errors;
    errors.errorsOnly = true;
    errors.command = 0x11;
    rows.SetFilter(errors);
    EXPECT_EQ(rows.RowCount(), kPairs / 10 + kPairs / 1000);
    for (std::uint64_t row = 0; row < rows.RowCount(); ++row) {
        ASSERT_TRUE(store.IsError(*rows.LineAt(row)));
    }
    WkLogFilter checksum;
    checksum.errorsOnly = true;
    checksum.address = 4;
    checksum.direction = WkLogFilter::Direction::kAnswers;
    rows.SetFilter(checksum);
    ASSERT_EQ(rows.RowCount(), 50u);
    EXPECT_EQ(rows.Cell(0, WkLogRows::kStatus), "Error: -2031  VELK: checksum error");

    WkLogFilter requests;
    requests.direction = WkLogFilter::Direction::kRequests;
    requests.address = 2;
    rows.SetFilter(requests);
    EXPECT_EQ(rows.RowCount(), static_cast<std::uint64_t>(kPairs / 5));
    // New lines join a filtered view only when they pass.
    store.Append(Send(kPairs, {0x04, 2, 0x11, 0x17}));
    store.Append(Send(kPairs, {0x04, 3, 0x11, 0x16}));
    EXPECT_EQ(rows.Update().added, 1u);

    rows.SetFilter({});
    const auto needle = Stamp(31234) + "  >>";
    auto hit = rows.Find(needle, std::nullopt, true);
    ASSERT_TRUE(hit);
    EXPECT_EQ(rows.RowText(*hit).rfind(needle, 0), 0u);
    // Backwards from the first row wraps to the newest line that holds it.
    EXPECT_EQ(rows.Find("no transponder", 0, false), 2u * 49991 + 1);
    EXPECT_EQ(rows.Find("read serial NUMBER", hit, true), *hit + 1);
    EXPECT_EQ(rows.Find("not there", std::nullopt, true), std::nullopt);
}

TEST(WkLogRows, CsvQuotesWhatNeedsIt) {
    WkLogStore store;
    store.Append(Send(0, {0x06, 0x00, 0x71, 0x00, 0x01, 0x76}));
    store.Append("a line, with \"quotes\"");
    WkLogRows rows(store);
    EXPECT_EQ(WkLogRows::CsvHeader(), "Time,Dir,Address,Command,Status,Data (hex),Decoded,Latency");
    EXPECT_EQ(rows.CsvLine(0),
              "13:00:00.000,>>,0,[0x71] Set Output,,06 00 71 00 01 76,output 1: 1,");
    EXPECT_EQ(rows.CsvLine(1), ",,,,,,\"a line, with \"\"quotes\"\"\",");
}
