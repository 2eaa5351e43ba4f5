#pragma once
// Reads the plain text of an RTF file in pieces of any size, handing each line over as soon
// as it is complete, so that a long file is never held whole, as bytes or as text. Lines end
// at each paragraph mark or line break ('\n' in the text); a last line without an end is
// handed over at Finish when it is not empty. Fonts, colours, pictures, styles, document info and
// every
// "\*" destination are skipped.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class WkRtfReader {
public:
    /// How 8-bit text and "\'xx" are taken, and what becomes of "\uN".
    enum class Encoding {
        kLatin1, ///< lines in Latin-1; a character beyond it reads as '?'
        kUtf8,   ///< lines in UTF-8; "\uN" is the character N (a surrogate pair joined)
    };
    /// `ended`: a line end followed (false only for a last line without one).
    using LineFunction = std::function<void(std::string_view line, bool ended)>;

    WkRtfReader(Encoding encoding, LineFunction line);

    /// Reads the next piece of the file. False once the bytes are known not to be RTF (they
    /// must start with "{\rtf") or a group closes that was never opened.
    bool Feed(std::string_view bytes);
    /// The file has ended. False when it is not whole RTF (a group still open, a "\" last).
    bool Finish();

private:
    struct GroupState {
        bool skip = false;
        int unicodeSkip = 1;
    };
    /// Reads what the buffer holds; with `last` the file has no more bytes.
    void Parse(bool last);
    /// One token at `at_`; false when it may go on past the bytes held (more are needed).
    bool Token(bool last);
    void ControlWord(std::string_view word, bool hasNumber, long number);
    void Emit(char32_t code);
    void Put(char32_t code);

    Encoding encoding_;
    LineFunction line_;
    std::string buffer_; ///< bytes not read yet, from at_
    std::size_t at_ = 0;
    std::size_t skipBytes_ = 0; ///< bytes of a "\binN" still to skip
    bool started_ = false;
    bool ended_ = false;
    bool failed_ = false;
    std::vector<GroupState> stack_;
    GroupState state_;
    int pendingSkip_ = 0;        ///< characters still to skip after a "\uN"
    char32_t highSurrogate_ = 0; ///< the first half of a character beyond 16 bits
    std::string text_;           ///< the line being read
};
