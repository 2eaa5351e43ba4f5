#pragma once
// Cuts what auto-answer receives into the pieces that become lines: reader frames by their
// LEN byte, where the length and the XOR checksum agree, and otherwise bare data up to where
// frames start again (two in a row, or one that ends the burst) or to the gap that ends it. A frame
// that arrives in two receive calls is held until its last byte comes; a gap hands over whatever is
// held. Bytes that do not finish a held frame leave its start as a piece of its own (the frame was
// cut: an exchange on the same port empties the input queue) and are read as a new burst.

#include <cstddef>
#include <vector>

class WkAutoAnswerFrames {
public:
    using Piece = std::vector<unsigned char>;

    /// The shortest frame: LEN, bus address, command, checksum.
    static constexpr unsigned kShortestFrame = 4;
    /// The most bytes of one piece: bare data is cut into pieces this long.
    static constexpr std::size_t kLongestPiece = 1024;

    /// Takes the bytes of one receive call; returns the pieces they complete, in order.
    std::vector<Piece> Add(const unsigned char* bytes, int count);
    /// The line fell silent: what is held becomes one piece (none when nothing is held).
    std::vector<Piece> Gap();
    /// Drops what is held (a new reception starts).
    void Clear() {
        held_.clear();
        firstCall_ = 0;
    }

private:
    Piece held_;
    std::size_t firstCall_ = 0; ///< bytes of held_ from the call that began the held frame
};
