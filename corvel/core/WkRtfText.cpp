#include "WkRtfText.h"

#include "common/HexText.h"
#include "common/Utf8Text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

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

// Destinations whose text is not part of the document's text.
const std::set<std::string>& SkippedDestinations() {
    static const std::set<std::string> names = {
        "fonttbl",      "colortbl",  "stylesheet", "info",     "pict",      "object",
        "header",       "headerl",   "headerr",    "headerf",  "footer",    "footerl",
        "footerr",      "footerf",   "footnote",   "fldinst",  "listtable", "listoverridetable",
        "rsidtbl",      "revtbl",    "generator",  "xmlnstbl", "themedata", "colorschememapping",
        "latentstyles", "datastore", "filetbl",    "pgdsctbl", "mmathPr",   "nonshppict",
    };
    return names;
}

struct GroupState {
    bool skip = false;
    int unicodeSkip = 1;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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

std::optional<std::string> ReadText(const std::string& rtf, Encoding encoding) {
    if (rtf.compare(0, 5, "{\\rtf") != 0) {
        return std::nullopt;
    }
    std::string text;
    std::vector<GroupState> stack;
    GroupState state;
    int pendingSkip = 0; // characters still to skip after a \uN
    bool ended = false;
    char32_t highSurrogate = 0; // the first half of a character beyond 16 bits
    auto put = [&](char32_t code) {
        if (encoding == Encoding::kLatin1) {
            text += code < 0x100 ? static_cast<char>(code) : '?';
        } else {
            AppendUtf8(text, code);
        }
    };
    auto emitCode = [&](char32_t code) {
        if (state.skip) {
            return;
        }
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (highSurrogate != 0) {
            const char32_t high = highSurrogate;
            highSurrogate = 0;
            if (code >= 0xDC00 && code <= 0xDFFF) {
                put(0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00));
                return;
            }
            put('?');
        }
        if (code >= 0xD800 && code <= 0xDBFF && encoding == Encoding::kUtf8) {
            highSurrogate = code;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            put('?');
        } else {
            put(code);
        }
    };
    auto emit = [&](char c) { emitCode(static_cast<unsigned char>(c)); };
    std::size_t i = 0;
    const std::size_t n = rtf.size();
    while (i < n && !ended) {
        char c = rtf[i];
        if (c == '{') {
            stack.push_back(state);
            ++i;
            // A "{\*" group is an optional destination that readers skip when unknown.
            if (i + 1 < n && rtf[i] == '\\' && rtf[i + 1] == '*') {
                state.skip = true;
                i += 2;
            }
            continue;
        }
        if (c == '}') {
            if (stack.empty()) {
                return std::nullopt;
            }
            state = stack.back();
            stack.pop_back();
            ++i;
            if (stack.empty()) {
                ended = true;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            emit(c);
            ++i;
            continue;
        }
        // A control symbol or word.
        if (i + 1 >= n) {
            return std::nullopt;
        }
        char next = rtf[i + 1];
        if (!IsLetter(next)) {
            i += 2;
            switch (next) {
            case '\\':
            case '{':
            case '}':
                emit(next);
                break;
            case '~':
                emit(static_cast<char>(0xA0));
                break;
            case '_':
                emit('-');
                break;
            case '\r':
            case '\n':
                emit('\n');
                break;
            case '\'':
                if (i + 1 < n && HexDigitValue(rtf[i]) >= 0 && HexDigitValue(rtf[i + 1]) >= 0) {
                    emit(static_cast<char>(HexDigitValue(rtf[i]) * 16 + HexDigitValue(rtf[i + 1])));
                    i += 2;
                }
                break;
            default: // "\-" optional hyphen, "\:" index entry and the like
                break;
            }
            continue;
        }
        std::size_t start = i + 1;
        std::size_t j = start;
        while (j < n && IsLetter(rtf[j])) {
            ++j;
        }
        std::string word = rtf.substr(start, j - start);
        bool hasNumber = false;
        long number = 0;
        std::size_t numberStart = j;
        if (j < n && (rtf[j] == '-' || IsDigit(rtf[j]))) {
            ++j;
            while (j < n && IsDigit(rtf[j])) {
                ++j;
            }
            hasNumber = true;
            number = std::strtol(rtf.substr(numberStart, j - numberStart).c_str(), nullptr, 10);
        }
        if (j < n && rtf[j] == ' ') {
            ++j; // the delimiter belongs to the control word
        }
        i = j;
        if (SkippedDestinations().count(word) != 0) {
            state.skip = true;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            emit('\n');
        } else if (word == "tab") {
            emit('\t');
        } else if (word == "uc" && hasNumber) {
            state.unicodeSkip = static_cast<int>(number);
        } else if (word == "u" && hasNumber) {
            const long code = number < 0 ? number + 65536 : number;
            emitCode(code >= 0 && code <= 0xFFFF ? static_cast<char32_t>(code) : U'?');
            if (!state.skip) {
                pendingSkip = state.unicodeSkip;
            }
        } else if (word == "bin" && hasNumber && number > 0) {
            i += static_cast<std::size_t>(number);
        } else if (word == "emdash" || word == "endash") {
            emit('-');
        } else if (word == "lquote" || word == "rquote") {
            emit('\'');
        } else if (word == "ldblquote" || word == "rdblquote") {
            emit('"');
        } else if (word == "bullet") {
            emit(static_cast<char>(0xB7));
        }
    }
    if (!ended) {
        return std::nullopt;
    }
    if (highSurrogate != 0) {
        put('?');
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
    return ReadText(rtf, Encoding::kLatin1);
}

std::optional<std::string> ReadRtfUtf8Text(const std::string& rtf) {
    return ReadText(rtf, Encoding::kUtf8);
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
