#pragma once
// Cuts what auto-answer receives into the pieces that become lines: reader frames by their
// LEN byte, where the length and the XOR checksum agree, and otherwise the bytes of one burst
// up to the gap that ends it (bare data). A frame that arrives in two receive calls is held
// until its last byte comes; a gap hands over whatever is held.

#include <vector>

class WkAutoAnswerFrames {
public:
    using Piece = std::vector<unsigned char>;

    /// The shortest frame: LEN, bus address, command, checksum.
    static constexpr unsigned kShortestFrame = 4;

    /// Takes the bytes of one receive call; returns the pieces they complete, in order.
    std::vector<Piece> Add(const unsigned char* bytes, int count);
    /// The line fell silent: what is held becomes one piece (none when nothing is held).
    std::vector<Piece> Gap();
    /// Drops what is held (a new reception starts).
    void Clear() { held_.clear(); }

private:
    Piece held_;
};
