#include "WkCodePage.h"

#include "common/Utf8Text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// The characters of 0x80 .. 0x9F; the undefined bytes keep their own number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte of `code` in Windows-1252, or -1.
int ByteOf(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code < 0x100)) {
        return static_cast<int>(code);
    }
    const auto it = std::find(kHighControls.begin(), kHighControls.end(), code);
    return it == kHighControls.end() ? -1 : 0x80 + static_cast<int>(it - kHighControls.begin());
}

} // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text, std::string* missing) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = at;
        const std::optional<char32_t> code = NextUtf8(text, at);
        const int byte = code ? ByteOf(*code) : -1;
        if (byte >= 0) {
            out += static_cast<char>(byte);
            continue;
        }
        out += '?';
        if (missing != nullptr) {
            const std::string_view character = text.substr(start, at - start);
            if (missing->find(character) == std::string::npos) {
                missing->append(character);
            }
        }
    }
    return out;
}
