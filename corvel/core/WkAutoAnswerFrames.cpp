#include "WkAutoAnswerFrames.h"

#include <algorithm>
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
    // The held frame's bytes of the receive call it began in.
    const std::size_t earlier = held_.empty() ? 0 : firstCall_;
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
        const auto begin = held_.begin() + static_cast<std::ptrdiff_t>(start);
        if (length < kShortestFrame || !ChecksumAgrees(&held_[start], length)) {
            if (start < earlier) {
                // These bytes do not finish the frame begun before them: its rest never came
                // (an exchange on the port flushed or took it). The start stands alone as
                // the cut frame it is, and the new bytes are read from their own start.
                pieces.emplace_back(begin, held_.begin() + static_cast<std::ptrdiff_t>(earlier));
                start = earlier;
                continue;
            }
            // No frame here: the burst is bare data up to its end.
            for (; start < held_.size(); start += kLongestPiece) {
                const std::size_t size = std::min(kLongestPiece, held_.size() - start);
                const auto from = held_.begin() + static_cast<std::ptrdiff_t>(start);
                pieces.emplace_back(from, from + static_cast<std::ptrdiff_t>(size));
            }
            start = held_.size();
            break;
        }
        pieces.emplace_back(begin, begin + length);
        start += length;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start));
    if (start > 0 || earlier == 0) {
        firstCall_ = held_.size();
    }
    return pieces;
}

std::vector<WkAutoAnswerFrames::Piece> WkAutoAnswerFrames::Gap() {
    std::vector<Piece> pieces;
    while (firstCall_ > 0 && firstCall_ < held_.size()) {
        // The held frame never finished: the bytes of its first call are the cut frame, and
        // what came after them is read on its own.
        pieces.emplace_back(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(firstCall_));
        const Piece rest(held_.begin() + static_cast<std::ptrdiff_t>(firstCall_), held_.end());
        Clear();
        for (Piece& piece : Add(rest.data(), static_cast<int>(rest.size()))) {
            pieces.push_back(std::move(piece));
        }
    }
    if (!held_.empty()) {
        pieces.push_back(std::move(held_));
    }
    Clear();
    return pieces;
}
