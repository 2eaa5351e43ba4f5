#include "WkProtocolBytes.h"

#include "common/HexText.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The bytes of `text` and what keeps them from being a frame; empty bytes when there is a
// problem.
std::vector<unsigned char> Read(const std::string& text, bool addChecksum, std::string& problem) {
    std::vector<unsigned char> bytes;
    if (const auto fault = ReadHexFrame(text, bytes)) {
        problem = HexTextFaultMessage(text, *fault);
        return {};
    }
    const std::size_t length = bytes.size() + (addChecksum && !bytes.empty() ? 1 : 0);
    if (length > static_cast<std::size_t>(WkProtocolBytes::kMaxFrame)) {
        problem = "Error in Protocol string!\n\nThe frame has " + std::to_string(length) +
                  (addChecksum ? " bytes with its checksum" : " bytes") + "; at most " +
                  std::to_string(WkProtocolBytes::kMaxFrame) + " fit in a frame.";
        return {};
    }
    problem.clear();
    return bytes;
}

} // namespace

std::string WkProtocolBytes::Problem(const std::string& text, bool addChecksum) {
    std::string problem;
    Read(text, addChecksum, problem);
    return problem;
}

int WkProtocolBytes::Parse(const std::string& text, bool addChecksum, Buffer& bytes,
                           std::string* problem) {
    std::string why;
    const std::vector<unsigned char> read = Read(text, addChecksum, why);
    if (problem != nullptr) {
        *problem = why;
    }
    std::copy(read.begin(), read.end(), bytes.begin());
    return static_cast<int>(read.size());
}

std::string WkProtocolBytes::ToText(const unsigned char* bytes, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        if (i > 0) {
            text += ' ';
        }
        text += pair;
    }
    return text;
}

std::string WkProtocolBytes::WithChecksum(const std::string& text) {
    Buffer bytes{};
    int count = Parse(text, false, bytes);
    if (count == 0) {
        return text;
    }
    const bool hasPlace = count >= 2 && bytes[0] == count;
    if (!hasPlace) {
        if (count >= kMaxFrame) {
            return text;
        }
        ++count;
    }
    unsigned char sum = 0;
    for (int i = 0; i < count - 1; ++i) {
        sum ^= bytes[static_cast<std::size_t>(i)];
    }
    bytes[static_cast<std::size_t>(count - 1)] = sum;
    return ToText(bytes.data(), count);
}
