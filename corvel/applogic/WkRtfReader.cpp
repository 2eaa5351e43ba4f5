#include "WkRtfReader.h"

#include "common/HexText.h"
#include "common/Utf8Text.h"

#include <cstdlib>
#include <set>

namespace {

constexpr std::string_view kStart = "{\\rtf";

// Destinations whose text is not part of the document's text.
const std::set<std::string, std::less<>>& SkippedDestinations() {
    static const std::set<std::string, std::less<>> names = {
        "fonttbl",      "colortbl",  "stylesheet", "info",     "pict",      "object",
        "header",       "headerl",   "headerr",    "headerf",  "footer",    "footerl",
        "footerr",      "footerf",   "footnote",   "fldinst",  "listtable", "listoverridetable",
        "rsidtbl",      "revtbl",    "generator",  "xmlnstbl", "themedata", "colorschememapping",
        "latentstyles", "datastore", "filetbl",    "pgdsctbl", "mmathPr",   "nonshppict",
    };
    return names;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
// A byte that stands for itself in the text.
bool IsPlain(char c) {
    return c >= 0x20 && c < 0x7F && c != '{' && c != '}' && c != '\\';
}

} // namespace

WkRtfReader::WkRtfReader(Encoding encoding, LineFunction line)
    : encoding_(encoding), line_(std::move(line)) {}

bool WkRtfReader::Feed(std::string_view bytes) {
    if (failed_ || ended_) {
        return !failed_;
    }
    buffer_.append(bytes);
    Parse(false);
    buffer_.erase(0, at_);
    at_ = 0;
    return !failed_;
}

bool WkRtfReader::Finish() {
    if (!failed_ && !ended_) {
        Parse(true);
    }
    if (!ended_) {
        failed_ = true;
    }
    if (failed_) {
        return false;
    }
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        Put('?');
    }
    if (!text_.empty()) {
        line_(text_, false);
        text_.clear();
    }
    return true;
}

void WkRtfReader::Parse(bool last) {
    if (!started_) {
        if (buffer_.size() < kStart.size() && !last) {
            return;
        }
        if (std::string_view(buffer_).substr(0, kStart.size()) != kStart) {
            failed_ = true;
            return;
        }
        started_ = true;
    }
    while (!ended_ && !failed_ && at_ < buffer_.size() && Token(last)) {
    }
}

bool WkRtfReader::Token(bool last) {
    const std::string_view rtf(buffer_);
    const std::size_t n = rtf.size();
    if (skipBytes_ > 0) {
        const std::size_t skipped = std::min(skipBytes_, n - at_);
        at_ += skipped;
        skipBytes_ -= skipped;
        return true;
    }
    const char c = rtf[at_];
    if (c == '{') {
        // A "{\*" group is an optional destination that readers skip when unknown.
        if (at_ + 2 >= n && !last) {
            return false;
        }
        stack_.push_back(state_);
        ++at_;
        if (at_ + 1 < n && rtf[at_] == '\\' && rtf[at_ + 1] == '*') {
            state_.skip = true;
            at_ += 2;
        }
        return true;
    }
    if (c == '}') {
        if (stack_.empty()) {
            failed_ = true;
            return false;
        }
        state_ = stack_.back();
        stack_.pop_back();
        ++at_;
        ended_ = stack_.empty();
        return true;
    }
    if (c == '\r' || c == '\n') {
        ++at_;
        return true;
    }
    if (c != '\\') {
        if (state_.skip || pendingSkip_ > 0 || highSurrogate_ != 0 || !IsPlain(c)) {
            Emit(static_cast<unsigned char>(c));
            ++at_;
            return true;
        }
        // A run of plain characters goes into the line at once.
        std::size_t end = at_ + 1;
        while (end < n && IsPlain(rtf[end])) {
            ++end;
        }
        text_.append(rtf.substr(at_, end - at_));
        at_ = end;
        return true;
    }
    // A control symbol or word.
    if (at_ + 1 >= n) {
        if (last) {
            failed_ = true;
        }
        return false;
    }
    const char next = rtf[at_ + 1];
    if (!IsLetter(next)) {
        if (next == '\'' && at_ + 3 >= n && !last) {
            return false;
        }
        std::size_t i = at_ + 2;
        switch (next) {
        case '\\':
        case '{':
        case '}':
            Emit(static_cast<unsigned char>(next));
            break;
        case '~':
            Emit(0xA0);
            break;
        case '_':
            Emit('-');
            break;
        case '\r':
        case '\n':
            Emit('\n');
            break;
        case '\'':
            if (i + 1 < n && HexDigitValue(rtf[i]) >= 0 && HexDigitValue(rtf[i + 1]) >= 0) {
                Emit(static_cast<char32_t>(HexDigitValue(rtf[i]) * 16 + HexDigitValue(rtf[i + 1])));
                i += 2;
            }
            break;
        default: // "\-" optional hyphen, "\:" index entry and the like
            break;
        }
        at_ = i;
        return true;
    }
    // The word, its number and the blank that ends it must all be held before it is read.
    std::size_t j = at_ + 1;
    while (j < n && IsLetter(rtf[j])) {
        ++j;
    }
    const std::string_view word = rtf.substr(at_ + 1, j - at_ - 1);
    bool hasNumber = false;
    long number = 0;
    const std::size_t numberStart = j;
    if (j < n && (rtf[j] == '-' || IsDigit(rtf[j]))) {
        ++j;
        while (j < n && IsDigit(rtf[j])) {
            ++j;
        }
        hasNumber = true;
        number =
            std::strtol(std::string(rtf.substr(numberStart, j - numberStart)).c_str(), nullptr, 10);
    }
    if (j >= n && !last) {
        return false;
    }
    if (j < n && rtf[j] == ' ') {
        ++j; // the delimiter belongs to the control word
    }
    at_ = j;
    ControlWord(word, hasNumber, number);
    return true;
}

void WkRtfReader::ControlWord(std::string_view word, bool hasNumber, long number) {
    if (SkippedDestinations().count(word) != 0) {
        state_.skip = true;
    } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
        Emit('\n');
    } else if (word == "tab") {
        Emit('\t');
    } else if (word == "uc" && hasNumber) {
        state_.unicodeSkip = static_cast<int>(number);
    } else if (word == "u" && hasNumber) {
        const long code = number < 0 ? number + 65536 : number;
        Emit(code >= 0 && code <= 0xFFFF ? static_cast<char32_t>(code) : U'?');
        if (!state_.skip) {
            pendingSkip_ = state_.unicodeSkip;
        }
    } else if (word == "bin" && hasNumber && number > 0) {
        skipBytes_ = static_cast<std::size_t>(number);
    } else if (word == "emdash" || word == "endash") {
        Emit('-');
    } else if (word == "lquote" || word == "rquote") {
        Emit('\'');
    } else if (word == "ldblquote" || word == "rdblquote") {
        Emit('"');
    } else if (word == "bullet") {
        Emit(0xB7);
    }
}

void WkRtfReader::Emit(char32_t code) {
    if (state_.skip) {
        return;
    }
    if (pendingSkip_ > 0) {
        --pendingSkip_;
        return;
    }
    if (highSurrogate_ != 0) {
        const char32_t high = highSurrogate_;
        highSurrogate_ = 0;
        if (code >= 0xDC00 && code <= 0xDFFF) {
            Put(0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00));
            return;
        }
        Put('?');
    }
    if (code >= 0xD800 && code <= 0xDBFF && encoding_ == Encoding::kUtf8) {
        highSurrogate_ = code;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
        Put('?');
    } else {
        Put(code);
    }
}

void WkRtfReader::Put(char32_t code) {
    if (code == '\n') {
        line_(text_, true);
        text_.clear();
    } else if (encoding_ == Encoding::kLatin1) {
        text_ += code < 0x100 ? static_cast<char>(code) : '?';
    } else {
        AppendUtf8(text_, code);
    }
}
