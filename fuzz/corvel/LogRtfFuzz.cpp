// The RTF reader on any bytes, whole or in pieces, and the round trips: lines the writer
// writes, 8-bit or UTF-8, the reader reads back as the same lines, and Latin-1 text gives the
// same file either way.
#include "WkRtfReader.h"
#include "WkRtfText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    for (const char c : latin1) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// Strict UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t n = b < 0x80   ? 1
                              : b < 0xC2 ? 0
                              : b < 0xE0 ? 2
                              : b < 0xF0 ? 3
                              : b < 0xF5 ? 4
                                         : 0;
        if (n == 0 || i + n > text.size())
            return false;
        std::uint32_t code = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (c & 0x3F);
        }
        if ((n == 3 && code < 0x800) || (n == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const WkLogFont font;

    // Any file: whatever reads, writes back to a file that reads the same.
    if (std::optional<std::string> text = ReadRtfText(input)) {
        const std::vector<std::string> lines = SplitTextLines(*text);
        Check(SplitTextLines(ReadRtfText(WriteRtfLines(lines, font)).value()) == lines);
    }
    // A file read in pieces (as a long .log is) reads as the whole does.
    if (!input.empty()) {
        const std::size_t piece = 1 + data[0] % 16;
        std::string text;
        WkRtfReader reader(WkRtfReader::Encoding::kUtf8, [&](std::string_view line, bool ended) {
            text.append(line);
            text += ended ? "\n" : "";
        });
        bool read = true;
        for (std::size_t at = 0; at < input.size() && read; at += piece) {
            read = reader.Feed(std::string_view(input).substr(at, piece));
        }
        read = read && reader.Finish();
        const std::optional<std::string> whole = ReadRtfUtf8Text(input);
        Check(read == whole.has_value() && (!read || text == *whole));
    }
    if (std::optional<std::string> text = ReadRtfUtf8Text(input)) {
        Check(IsUtf8(*text));
        const std::vector<std::string> lines = SplitTextLines(*text);
        Check(SplitTextLines(ReadRtfUtf8Text(WriteRtfUtf8Lines(lines, font)).value()) == lines);
    }

    // The input as lines of 8-bit text: they come back byte for byte.
    const std::vector<std::string> lines = LinesOf(input);
    Check(ReadRtfText(WriteRtfLines(lines, font)) == Joined(lines));

    // The same lines in UTF-8 give the very same file, and read back in UTF-8.
    std::vector<std::string> utf8;
    for (const std::string& line : lines)
        utf8.push_back(Latin1ToUtf8(line));
    Check(WriteRtfUtf8Lines(utf8, font) == WriteRtfLines(lines, font));

    // The input's lines taken as UTF-8: well-formed ones come back unchanged.
    const std::optional<std::string> back = ReadRtfUtf8Text(WriteRtfUtf8Lines(lines, font));
    Check(back.has_value() && IsUtf8(*back));
    if (IsUtf8(input))
        Check(*back == Joined(lines));
    return 0;
}
