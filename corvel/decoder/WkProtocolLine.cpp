#include "WkProtocolLine.h"

#include "common/CodeLibrary.h"
#include "common/ReaderTexts.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr std::size_t kStampLength = 21;
constexpr std::string_view kSendMark = "  >>  ";
constexpr std::string_view kReceiveMark = "  <<  ";
constexpr std::string_view kErrorMark = "  !!  Error";
constexpr std::string_view kReceiveError = "Error: ";
constexpr std::string_view kBytesOpen = "  (";
constexpr std::size_t kMarkLength = 6;

// Field widths of the packed stamp, least significant first: ms, s, min, h, day, month, year.
constexpr int kBits[] = {10, 6, 6, 5, 5, 4, 7};
constexpr int kFieldCount = 7;
// Where each field's digits are in "MM/DD/YY HH:MM:SS.mmm", in the same order, and the
// largest value each may have.
constexpr std::size_t kAt[] = {18, 15, 12, 9, 3, 0, 6};
constexpr std::size_t kWidth[] = {3, 2, 2, 2, 2, 2, 2};
constexpr int kMax[] = {999, 59, 59, 23, 31, 12, 99};
constexpr int kMin[] = {0, 0, 0, 0, 1, 1, 0};

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads "XX " groups from `at`; returns where they end.
std::size_t ReadHexGroups(std::string_view text, std::size_t at, std::vector<std::uint8_t>& out) {
    while (at + 3 <= text.size() && text[at + 2] == ' ') {
        const int high = HexValue(text[at]);
        const int low = HexValue(text[at + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
        at += 3;
    }
    return at;
}

// A decimal number with an optional minus sign at `at`; false when there is none.
bool ReadNumber(std::string_view text, std::size_t& at, int& value) {
    std::size_t i = at;
    const bool negative = i < text.size() && text[i] == '-';
    i += negative ? 1 : 0;
    const std::size_t digits = i;
    long long number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digits < 10) {
        number = number * 10 + (text[i] - '0');
        ++i;
    }
    if (i == digits) {
        return false;
    }
    value = static_cast<int>(negative ? -number : number);
    at = i;
    return true;
}

void AppendHexGroups(std::span<const std::uint8_t> bytes, std::string& out) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
        out += ' ';
    }
}

void AppendStatusText(std::span<const std::uint8_t> bytes, std::string& out) {
    // The reader library names the fourth byte's status, or status 0 for shorter answers.
    const int status = bytes.size() > 3 ? bytes[3] : 0;
    if (const char* text = FindReaderStatusText(status)) {
        out += text;
    } else {
        out += ReaderStatusText(status);
    }
}

} // namespace

bool ParseTimeStamp(std::string_view text, WkPackedTime& packed) {
    if (text.size() < kStampLength || text[2] != '/' || text[5] != '/' || text[8] != ' ' ||
        text[11] != ':' || text[14] != ':' || text[17] != '.') {
        return false;
    }
    WkPackedTime result = 0;
    int shift = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        int value = 0;
        for (std::size_t i = 0; i < kWidth[f]; ++i) {
            const char c = text[kAt[f] + i];
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
        }
        if (value < kMin[f] || value > kMax[f]) {
            return false;
        }
        result |= static_cast<WkPackedTime>(value) << shift;
        shift += kBits[f];
    }
    packed = result;
    return true;
}

void AppendTimeStamp(WkPackedTime packed, std::string& out) {
    char stamp[kStampLength + 1] = "00/00/00 00:00:00.000";
    int shift = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        unsigned value = static_cast<unsigned>(packed >> shift) & ((1u << kBits[f]) - 1);
        for (std::size_t i = kWidth[f]; i > 0; --i) {
            stamp[kAt[f] + i - 1] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        shift += kBits[f];
    }
    out.append(stamp, kStampLength);
}

std::int64_t TimeStampMilliseconds(WkPackedTime packed) {
    int fields[kFieldCount];
    int shift = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        fields[f] = static_cast<int>(packed >> shift) & ((1 << kBits[f]) - 1);
        shift += kBits[f];
    }
    using namespace std::chrono;
    const year_month_day date{year{2000 + fields[6]}, month{static_cast<unsigned>(fields[5])},
                              day{static_cast<unsigned>(fields[4])}};
    const std::int64_t days = (sys_days{date} - sys_days{year{2000} / January / 1}).count();
    return ((days * 24 + fields[3]) * 60 + fields[2]) * 60000LL + fields[1] * 1000LL + fields[0];
}

void ParseProtocolLine(std::string_view line, WkProtocolLine& parts) {
    parts.kind = WkLineKind::kText;
    parts.time = 0;
    parts.code = 0;
    parts.bytes.clear();
    WkPackedTime time = 0;
    if (line.size() < kStampLength + kMarkLength || !ParseTimeStamp(line, time)) {
        return;
    }
    const std::string_view rest = line.substr(kStampLength);
    std::size_t at = kStampLength + kMarkLength;
    if (rest.starts_with(kSendMark)) {
        parts.kind = WkLineKind::kSend;
        ReadHexGroups(line, at, parts.bytes);
    } else if (rest.starts_with(kErrorMark)) {
        at = kStampLength + kErrorMark.size();
        if (!ReadNumber(line, at, parts.code)) {
            return;
        }
        parts.kind = WkLineKind::kError;
    } else if (rest.starts_with(kReceiveMark)) {
        parts.kind = WkLineKind::kReceive;
        if (line.substr(at).starts_with(kReceiveError)) {
            at += kReceiveError.size();
            if (!ReadNumber(line, at, parts.code)) {
                parts.kind = WkLineKind::kText;
                return;
            }
            const std::size_t open = line.find(kBytesOpen, at);
            if (open != std::string_view::npos) {
                ReadHexGroups(line, open + kBytesOpen.size(), parts.bytes);
            }
        } else if (ReadHexGroups(line, at, parts.bytes) == line.size() && !parts.bytes.empty()) {
            // Bytes and nothing after them: the auto-answer thread's line.
            parts.kind = WkLineKind::kAutoAnswer;
        }
    } else {
        return;
    }
    parts.time = time;
}

bool AppendProtocolLine(WkLineKind kind, WkPackedTime time, int code,
                        std::span<const std::uint8_t> bytes, std::string& out) {
    if (kind == WkLineKind::kText) {
        return false;
    }
    AppendTimeStamp(time, out);
    switch (kind) {
    case WkLineKind::kSend:
        out += kSendMark;
        AppendHexGroups(bytes, out);
        return true;
    case WkLineKind::kAutoAnswer:
        out += kReceiveMark;
        AppendHexGroups(bytes, out);
        return true;
    case WkLineKind::kError:
        out += kErrorMark;
        out += std::to_string(code);
        if (LibraryOfCode(code) == CodeLibrary::kReader) {
            out += "  ";
            out += ReaderErrorText(code);
        }
        return LibraryOfCode(code) != CodeLibrary::kSerialPort;
    case WkLineKind::kReceive:
        break;
    case WkLineKind::kText:
        return false;
    }
    out += kReceiveMark;
    if (code < 0) {
        out += kReceiveError;
        out += std::to_string(code);
        if (LibraryOfCode(code) == CodeLibrary::kReader) {
            out += "  ";
            out += ReaderErrorText(code);
        }
        if (!bytes.empty()) {
            out += kBytesOpen;
        }
    }
    if (!bytes.empty()) {
        AppendHexGroups(bytes, out);
        out += "  ";
        AppendStatusText(bytes, out);
    }
    if (code < 0 && !bytes.empty()) {
        out += ')';
    }
    return !ReceiveLineHasSerialPortText(code);
}
