#include "WkRtfText.h"

#include "WkRtfReader.h"

#include "common/Utf8Text.h"

#include <cstdint>
#include <cstdio>

namespace {

void AppendEscaped(std::string& out, unsigned char c) {
    static const char* const kHex = "0123456789abcdef";
    if (c == '\\' || c == '{' || c == '}') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c == '\t') {
        out += "\\tab ";
    } else if (c < 0x20 || c >= 0x80) {
        out += "\\'";
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    } else {
        out += static_cast<char>(c);
    }
}

// A character beyond Latin-1 as one "\uN?" per UTF-16 unit, N signed 16-bit; the "?" is what a
// reader that does not know \u shows (the header's \uc1 says one character follows each \u).
void AppendUnicode(std::string& out, char32_t code) {
    auto unit = [&out](char32_t u) {
        out +=
            "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(u))) + "?";
    };
    if (code >= 0x10000) {
        code -= 0x10000;
        unit(0xD800 + (code >> 10));
        unit(0xDC00 + (code & 0x3FF));
    } else {
        unit(code);
    }
}

// The character of UTF-8 text at `i`; moves `i` past it. A byte that does not start a
// well-formed sequence is taken as the Latin-1 character of that byte.
char32_t NextUtf8OrLatin1(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    return NextUtf8(text, i).value_or(lead);
}

enum class Encoding { kLatin1, kUtf8 };

void AppendEscaped(std::string& out, std::string_view line, Encoding encoding) {
    for (std::size_t i = 0; i < line.size();) {
        const char32_t code = encoding == Encoding::kUtf8 ? NextUtf8OrLatin1(line, i)
                                                          : static_cast<unsigned char>(line[i++]);
        if (code < 0x100) {
            AppendEscaped(out, static_cast<unsigned char>(code));
        } else {
            AppendUnicode(out, code);
        }
    }
}

std::string WriteLines(const std::vector<std::string>& lines, const WkLogFont& font,
                       Encoding encoding) {
    std::string out = RtfStart(font);
    for (const std::string& line : lines) {
        AppendEscaped(out, line, encoding);
        out += "\\par\n";
    }
    out += kRtfEnd;
    return out;
}

std::optional<std::string> ReadText(const std::string& rtf, WkRtfReader::Encoding encoding) {
    std::string text;
    WkRtfReader reader(encoding, [&text](std::string_view line, bool ended) {
        text += line;
        if (ended) {
            text += '\n';
        }
    });
    if (!reader.Feed(rtf) || !reader.Finish()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::string RtfStart(const WkLogFont& font) {
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
    AppendEscaped(out, font.face, Encoding::kLatin1);
    out += ";}}\n";
    unsigned color = font.autoColor ? 0u : font.color;
    char colorTable[96];
    std::snprintf(colorTable, sizeof colorTable, "{\\colortbl ;\\red%u\\green%u\\blue%u;}\n",
                  (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    out += colorTable;
    // Half points, rounded to the nearest.
    out += "\\viewkind4\\uc1\\pard\\f0\\cf1\\fs" + std::to_string((font.heightTwips + 5) / 10);
    out += font.bold ? "\\b" : "";
    out += font.italic ? "\\i" : "";
    out += font.underline ? "\\ul" : "";
    out += font.strikeOut ? "\\strike" : "";
    out += " ";
    return out;
}

void AppendRtfUtf8Line(std::string& out, std::string_view line) {
    AppendEscaped(out, line, Encoding::kUtf8);
    out += "\\par\n";
}

std::string WriteRtfLines(const std::vector<std::string>& lines, const WkLogFont& font) {
    return WriteLines(lines, font, Encoding::kLatin1);
}

std::string WriteRtfUtf8Lines(const std::vector<std::string>& lines, const WkLogFont& font) {
    return WriteLines(lines, font, Encoding::kUtf8);
}

std::optional<std::string> ReadRtfText(const std::string& rtf) {
    return ReadText(rtf, WkRtfReader::Encoding::kLatin1);
}

std::optional<std::string> ReadRtfUtf8Text(const std::string& rtf) {
    return ReadText(rtf, WkRtfReader::Encoding::kUtf8);
}

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
