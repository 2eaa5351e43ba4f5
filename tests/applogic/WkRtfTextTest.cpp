#include "WkRtfText.h"
#include "WkRtfReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

TEST(WkRtfWriter, WritesOneParagraphPerLineInTheViewFont) {
    EXPECT_EQ(
        WriteRtfLines({"ab", "", "{x}\\"}, WkLogFont{}),
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\n"
        "{\\colortbl ;\\red0\\green0\\blue0;}\n"
        "\\viewkind4\\uc1\\pard\\f0\\cf1\\fs18 ab\\par\n"
        "\\par\n"
        "\\{x\\}\\\\\\par\n"
        "}\n");
    WkLogFont font;
    font.face = "Mono";
    font.heightTwips = 240;
    font.bold = true;
    font.italic = true;
    font.autoColor = false;
    font.color = 0xFF8000;
    EXPECT_EQ(WriteRtfLines({"\xE9\x01"}, font),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Mono;}}\n"
              "{\\colortbl ;\\red255\\green128\\blue0;}\n"
              "\\viewkind4\\uc1\\pard\\f0\\cf1\\fs24\\b\\i \\'e9\\'01\\par\n"
              "}\n");
}

TEST(WkRtfReader, ReadsWhatOtherEditorsWrite) {
    // As a word processor writes it: CR LF line ends, a generator group, a trailing \par.
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1031{\\fonttbl{"
        "\\f0\\fnil\\fcharset0 "
        "Courier New;}}\r\n{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
        "\\pard\\f0\\fs18\\lang7 12/07/26 10:00:00.123  >>  04 00 65 61 \\par\r\n"
        "caf\\'e9 \\u8364?uro\\tab x\\line y\\par\r\n"
        "{\\b bold} end\\par\r\n}\r\n";
    auto text = ReadRtfText(rtf);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "12/07/26 10:00:00.123  >>  04 00 65 61 \ncaf\xE9 ?uro\tx\ny\nbold end\n");
    EXPECT_EQ(SplitTextLines(*text),
              (std::vector<std::string>{"12/07/26 10:00:00.123  >>  04 00 65 61 ",
                                        "caf\xE9 ?uro\tx", "y", "bold end"}));
}

TEST(WkRtfReader, SkipsDestinationsAndHandlesSymbols) {
    auto text = ReadRtfText("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}{\\info{\\author me}}"
                            "{\\stylesheet{\\s0 Normal;}}{\\*\\unknown hidden}"
                            "a\\{b\\}c\\\\d\\~e\\-f{\\pict\\bin3 }}}}g\\u228\\'e4h}");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "a{b}c\\d\xA0"
                     "efg\xE4h");
    EXPECT_EQ(SplitTextLines("last without end"), (std::vector<std::string>{"last without end"}));
    EXPECT_EQ(SplitTextLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(WkRtfReader, RefusesWhatIsNotRtf) {
    EXPECT_FALSE(ReadRtfText("").has_value());
    EXPECT_FALSE(ReadRtfText("hello").has_value());
    EXPECT_FALSE(ReadRtfText("{\\rtf1 open group").has_value());
    EXPECT_FALSE(ReadRtfText("{\\rtf1 trailing backslash\\").has_value());
}

TEST(WkRtfUnicode, CharactersBeyondLatin1TravelAsUAndLatin1StaysAsItWas) {
    // U+1F600 is a surrogate pair; a byte that is no UTF-8 is its Latin-1 character.
    const std::string rtf = WriteRtfUtf8Lines({"\xF0\x9F\x98\x80 \xC3\xA9\xE9"}, WkLogFont{});
    EXPECT_NE(rtf.find("\\fs18 \\u-10179?\\u-8704? \\'e9\\'e9\\par\n}"), std::string::npos) << rtf;
    EXPECT_EQ(ReadRtfUtf8Text(rtf), "\xF0\x9F\x98\x80 \xC3\xA9\xC3\xA9\n");
    EXPECT_EQ(ReadRtfText(rtf), "?? \xE9\xE9\n"); // the 8-bit reader as before
    EXPECT_EQ(WriteRtfUtf8Lines({"caf\xC3\xA9 {x}\t"}, WkLogFont{}),
              WriteRtfLines({"caf\xE9 {x}\t"}, WkLogFont{}));
    // Other writers: \uc2 fallbacks, a lone half of a pair.
    EXPECT_EQ(ReadRtfUtf8Text("{\\rtf1{\\uc2\\u8364??}x\\u-10179?y}"), "\xE2\x82\xAC"
                                                                       "x?y");
}

TEST(WkRtfUnicode, ProtocolLinesGiveTheFileTheEarlierWriterSaved) {
    std::ifstream text(CORVEL_TEST_DATA "/ProtocolLines.txt", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    std::ifstream log(CORVEL_TEST_DATA "/ProtocolLines.log", std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(log)),
                            std::istreambuf_iterator<char>());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(WriteRtfUtf8Lines(lines, WkLogFont{}), saved);
}

// A long .log is read in pieces: a piece may end inside any control word, symbol or group.
TEST(WkRtfReader, PiecesOfAnySizeReadAsTheWhole) {
    std::ifstream log(CORVEL_TEST_DATA "/ProtocolLines.log", std::ios::binary);
    std::string rtf((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    rtf.insert(rtf.size() - 2, "{\\*\\unknown x}\\'e4\\u8364?{\\uc2\\u-10179??\\u-8704??}"
                               "{\\pict\\bin3 }}}}\\tab\\line last");
    const auto read = [&](std::size_t piece) {
        std::vector<std::string> lines;
        WkRtfReader reader(WkRtfReader::Encoding::kUtf8, [&](std::string_view line, bool ended) {
            lines.push_back(std::string(line) + (ended ? "|" : ""));
        });
        for (std::size_t at = 0; at < rtf.size(); at += piece) {
            EXPECT_TRUE(reader.Feed(std::string_view(rtf).substr(at, piece)));
        }
        EXPECT_TRUE(reader.Finish());
        return lines;
    };
    const std::vector<std::string> whole = read(rtf.size());
    ASSERT_GT(whole.size(), 10u);
    EXPECT_EQ(whole[whole.size() - 2], "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\t|");
    EXPECT_EQ(whole.back(), "last");
    for (std::size_t piece : {1, 2, 3, 7}) {
        EXPECT_EQ(read(piece), whole) << piece;
    }
    // Bytes that are not rich text are refused with their first piece; a file cut short
    // at its end.
    WkRtfReader text(WkRtfReader::Encoding::kUtf8, [](std::string_view, bool) {});
    EXPECT_FALSE(text.Feed("plain words"));
    WkRtfReader cut(WkRtfReader::Encoding::kUtf8, [](std::string_view, bool) {});
    EXPECT_TRUE(cut.Feed("{\\rtf1 a\\'"));
    EXPECT_FALSE(cut.Finish());
}
