#include "ReaderFrame.h"

namespace sorn {

namespace {

constexpr std::size_t kSmallestAnswer = 5;
constexpr std::size_t kSmallestRequest = 4;
constexpr unsigned char kFirstBroadcastAddress = 254;

bool ChecksumHolds(std::span<const unsigned char> frame) {
    unsigned char sum = 0;
    for (unsigned char byte : frame) {
        sum ^= byte;
    }
    return sum == 0; // the last byte is the XOR of the others
}

} // namespace

std::optional<FrameSpan> FindFrame(std::span<const unsigned char> bytes, bool silent) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const std::size_t length = bytes[at];
        if (length < kSmallestAnswer) {
            continue;
        }
        if (at + length > bytes.size()) {
            if (!silent) {
                return std::nullopt;
            }
            continue;
        }
        if (ChecksumHolds(bytes.subspan(at, length))) {
            return FrameSpan{at, length};
        }
    }
    return std::nullopt;
}

bool IsRequestFrame(std::span<const unsigned char> request) {
    return request.size() >= kSmallestRequest && request[0] == request.size();
}

bool Answers(std::span<const unsigned char> request, std::span<const unsigned char> answer) {
    return IsRequestFrame(request) && answer.size() >= kSmallestAnswer &&
           answer[0] == answer.size() && ChecksumHolds(answer) && answer[2] == request[2] &&
           (request[1] >= kFirstBroadcastAddress || answer[1] == request[1]);
}

} // namespace sorn
