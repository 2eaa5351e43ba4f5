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

// The length of the whole frame at `at`, or 0.
std::size_t FrameAt(const std::vector<unsigned char>& bytes, std::size_t at) {
    const unsigned length = bytes[at];
    return length >= WkAutoAnswerFrames::kShortestFrame && length <= bytes.size() - at &&
                   ChecksumAgrees(&bytes[at], length)
               ? length
               : 0;
}

// Where frames start again after bytes of no frame (the rest of a frame whose start was
// flushed, say): a whole frame followed by another, by the start of one still coming, or by
// the end of the bytes. A single frame-like run inside other bytes is not taken for one.
std::size_t NextFrameStart(const std::vector<unsigned char>& bytes, std::size_t from) {
    for (std::size_t at = from; at < bytes.size(); ++at) {
        const std::size_t length = FrameAt(bytes, at);
        if (length == 0) {
            continue;
        }
        const std::size_t next = at + length;
        if (next == bytes.size() || FrameAt(bytes, next) != 0 ||
            (bytes[next] >= WkAutoAnswerFrames::kShortestFrame &&
             next + bytes[next] > bytes.size())) {
            return at;
        }
    }
    return bytes.size();
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
            // No frame here: bare data, up to where frames start again.
            const std::size_t end = NextFrameStart(held_, start + 1);
            for (; start < end; start += kLongestPiece) {
                const std::size_t size = std::min(kLongestPiece, end - start);
                const auto from = held_.begin() + static_cast<std::ptrdiff_t>(start);
                pieces.emplace_back(from, from + static_cast<std::ptrdiff_t>(size));
            }
            start = end;
            continue;
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
