#include "WkAutoAnswerFrames.h"

#include <iterator>

namespace {

// The bytes of a frame XOR to 0: the checksum is the XOR of all bytes before it.
bool ChecksumAgrees(const unsigned char* frame, unsigned length) {
    unsigned char sum = 0;
    for (unsigned i = 0; i < length; ++i) {
        sum ^= frame[i];
    }
    return sum == 0;
}

} // namespace

std::vector<WkAutoAnswerFrames::Piece> WkAutoAnswerFrames::Add(const unsigned char* bytes,
                                                               int count) {
    if (count > 0) {
        held_.insert(held_.end(), bytes, bytes + count);
    }
    std::vector<Piece> pieces;
    std::size_t start = 0;
    while (start < held_.size()) {
        const unsigned length = held_[start];
        const std::size_t left = held_.size() - start;
        if (length >= kShortestFrame && left < length) {
            break; // the rest of a frame may still come
        }
        if (length < kShortestFrame || !ChecksumAgrees(&held_[start], length)) {
            // No frame here: the burst is bare data up to its end.
            pieces.emplace_back(held_.begin() + static_cast<std::ptrdiff_t>(start), held_.end());
            start = held_.size();
            break;
        }
        const auto begin = held_.begin() + static_cast<std::ptrdiff_t>(start);
        pieces.emplace_back(begin, begin + length);
        start += length;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start));
    return pieces;
}

std::vector<WkAutoAnswerFrames::Piece> WkAutoAnswerFrames::Gap() {
    std::vector<Piece> pieces;
    if (!held_.empty()) {
        pieces.push_back(std::move(held_));
        held_.clear();
    }
    return pieces;
}
