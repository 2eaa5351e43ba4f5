#include "WkFrameDecoder.h"

#include "WkReaderCommandTable.h"
#include "common/ReaderTexts.h"

#include <cstdio>

namespace {

using Bytes = std::span<const std::uint8_t>;

// A request is LEN, address, command, data, checksum; an answer has the status byte after
// the command byte.
constexpr int kRequestHeader = 3;
constexpr int kAnswerHeader = 4;
constexpr int kAnswerMinimum = 5;

void AddProblem(WkDecodedFrame& frame, const std::string& text) {
    if (!frame.problem.empty()) {
        frame.problem += "; ";
    }
    frame.problem += text;
}

std::string Hex(Bytes bytes, const char* separator) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        if (i > 0) {
            text += separator;
        }
        text += pair;
    }
    return text;
}

std::string TypeName(int value, WkFieldKind kind) {
    static const char* const kAnswerNames[] = {"TTA", "TTB", "TTC", "TTD"};
    const char* name = "?";
    if (kind == WkFieldKind::kAnswerType && value < 4) {
        name = kAnswerNames[value];
    } else if (value == 1) {
        name = "TTB";
    } else if (value == 2 && kind == WkFieldKind::kSelectType) {
        name = "TTC";
    } else if (value == 3) {
        name = kind == WkFieldKind::kSelectType ? "TTD" : "TTC";
    }
    return std::to_string(value) + " (" + name + ")";
}

std::string FieldValue(WkFieldKind kind, Bytes bytes) {
    switch (kind) {
    case WkFieldKind::kByte:
        return std::to_string(bytes[0]);
    case WkFieldKind::kWord:
        return bytes.size() < 2 ? Hex(bytes, " ") : std::to_string(bytes[0] << 8 | bytes[1]);
    case WkFieldKind::kBits: {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02X", bytes[0]);
        std::string value = text;
        std::string set;
        for (int bit = 0; bit < 8; ++bit) {
            if (bytes[0] & (1u << bit)) {
                set += (set.empty() ? "" : ",") + std::to_string(bit);
            }
        }
        return set.empty() ? value + " (no bits)" : value + " (bits " + set + ")";
    }
    case WkFieldKind::kText:
        for (std::uint8_t b : bytes) {
            if (b < 0x20 || b > 0x7E) {
                return Hex(bytes, " ");
            }
        }
        return "\"" + std::string(bytes.begin(), bytes.end()) + "\"";
    case WkFieldKind::kSerialNumber:
        return Hex(bytes, "");
    case WkFieldKind::kAnswerType:
    case WkFieldKind::kSelectType:
    case WkFieldKind::kPasswordType:
        return TypeName(bytes[0], kind);
    case WkFieldKind::kBytes:
        break;
    }
    return Hex(bytes, " ");
}

// Lays the table's fields over the data bytes at `offset` of the frame.
void DecodeFields(WkDecodedFrame& frame, std::span<const WkFieldSpec> layouts, Bytes all,
                  int offset, int end) {
    int at = offset;
    for (const WkFieldSpec& layout : layouts) {
        const bool whileLeft = layout.repeat == 0;
        for (int i = 0; whileLeft ? at < end : i < layout.repeat; ++i) {
            const int left = end - at;
            if (left <= 0) {
                AddProblem(frame, std::string("no ") + layout.name);
                return;
            }
            const int size = layout.size == 0 ? left : std::min<int>(layout.size, left);
            std::string name = layout.name;
            if (layout.repeat != 1) {
                name += " " + std::to_string(i + 1);
            }
            frame.fields.push_back(
                {name, FieldValue(layout.kind, all.subspan(at, size)), at, size});
            if (size < layout.size) {
                AddProblem(frame, name + " short by " + std::to_string(layout.size - size));
                return;
            }
            at += size;
        }
    }
    if (at < end) {
        frame.fields.push_back({"data", Hex(all.subspan(at, end - at), " "), at, end - at});
    }
}

// Length and checksum, for both directions; false when the frame is too short to decode.
bool CheckFrame(WkDecodedFrame& frame, Bytes bytes, int minimum) {
    const int count = static_cast<int>(bytes.size());
    if (count < minimum) {
        AddProblem(frame, "short frame: " + std::to_string(count) + " bytes, at least " +
                              std::to_string(minimum));
    } else if (bytes[0] != count) {
        AddProblem(frame, "length byte " + std::to_string(bytes[0]) + ", " + std::to_string(count) +
                              " bytes");
    } else {
        frame.lengthOk = true;
    }
    if (count >= 2) {
        std::uint8_t sum = 0;
        for (int i = 0; i + 1 < count; ++i) {
            sum ^= bytes[i];
        }
        frame.checksumOk = sum == bytes[count - 1];
        if (!frame.checksumOk) {
            char text[48];
            std::snprintf(text, sizeof text, "checksum %02X, expected %02X", bytes[count - 1], sum);
            AddProblem(frame, text);
        }
    }
    if (count > 1) {
        frame.busAddress = bytes[1];
    }
    if (count > 2) {
        frame.command = bytes[2];
    }
    return count >= minimum;
}

void NameCommand(WkDecodedFrame& frame, const WkReaderCommand* command) {
    if (frame.command >= 0) {
        frame.commandName = command != nullptr ? command->name : kUnknownCommandName;
    }
}

} // namespace

std::string WkDecodedFrame::Summary() const {
    std::string text;
    for (const WkDecodedField& field : fields) {
        if (!text.empty()) {
            text += ", ";
        }
        text += field.name + ": " + field.value;
    }
    return text;
}

WkDecodedFrame DecodeRequest(Bytes frame) {
    WkDecodedFrame decoded;
    decoded.direction = WkFrameDirection::kRequest;
    const bool whole = CheckFrame(decoded, frame, kRequestHeader + 1);
    const WkReaderCommand* command =
        decoded.command >= 0 ? FindReaderCommand(decoded.command, frame[0]) : nullptr;
    NameCommand(decoded, command);
    if (whole) {
        const int end = static_cast<int>(frame.size()) - 1;
        DecodeFields(decoded,
                     command != nullptr ? command->request : std::span<const WkFieldSpec>(), frame,
                     kRequestHeader, end);
    }
    return decoded;
}

WkDecodedFrame DecodeAnswer(Bytes frame, Bytes request) {
    WkDecodedFrame decoded;
    decoded.direction = WkFrameDirection::kAnswer;
    const bool whole = CheckFrame(decoded, frame, kAnswerMinimum);
    if (frame.size() > 3) {
        decoded.status = frame[3];
        decoded.statusText = ReaderStatusText(decoded.status);
    }
    const int requestLength = request.empty() ? 0 : request[0];
    const WkReaderCommand* command =
        decoded.command >= 0 ? FindReaderCommand(decoded.command, requestLength) : nullptr;
    NameCommand(decoded, command);
    if (request.size() > 2 && decoded.command >= 0 && request[2] != decoded.command) {
        char text[64];
        std::snprintf(text, sizeof text, "answers command 0x%02X, request was 0x%02X",
                      decoded.command, request[2]);
        AddProblem(decoded, text);
    }
    // Answers without data are the rule for every status but OK, and for most commands.
    const int end = static_cast<int>(frame.size()) - 1;
    if (whole && end > kAnswerHeader) {
        DecodeFields(decoded, command != nullptr ? command->answer : std::span<const WkFieldSpec>(),
                     frame, kAnswerHeader, end);
    }
    return decoded;
}

std::vector<Bytes> SplitFrames(Bytes bytes) {
    std::vector<Bytes> frames;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = bytes[at];
        if (length < kAnswerMinimum || at + length > bytes.size()) {
            frames.push_back(bytes.subspan(at));
            break;
        }
        frames.push_back(bytes.subspan(at, length));
        at += length;
    }
    return frames;
}

bool IsWholeFrame(Bytes frame, WkFrameDirection direction) {
    const std::size_t minimum =
        direction == WkFrameDirection::kAnswer ? kAnswerMinimum : kRequestHeader + 1;
    if (frame.size() < minimum || frame[0] != frame.size()) {
        return false;
    }
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame.first(frame.size() - 1)) {
        sum ^= b;
    }
    return sum == frame.back();
}
