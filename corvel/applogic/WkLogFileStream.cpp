#include "WkLogFileStream.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough of the end of a file to find its closing brace behind the line ends.
constexpr long kTailBytes = 64;

bool IsBlank(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\0';
}

// The head and the tail of an open file (at most kTailBytes each).
bool ReadEnds(std::FILE* file, std::string& head, std::string& tail, long& size) {
    if (std::fseek(file, 0, SEEK_END) != 0 || (size = std::ftell(file)) < 0) {
        return false;
    }
    const long start = size > kTailBytes ? size - kTailBytes : 0;
    tail.resize(static_cast<std::size_t>(size - start));
    head.resize(static_cast<std::size_t>(std::min(size, kTailBytes)));
    return std::fseek(file, start, SEEK_SET) == 0 &&
           std::fread(tail.data(), 1, tail.size(), file) == tail.size() &&
           std::fseek(file, 0, SEEK_SET) == 0 &&
           std::fread(head.data(), 1, head.size(), file) == head.size();
}

// The position of the closing brace in `tail` when only blanks follow it.
std::size_t ClosingBrace(const std::string& tail) {
    std::size_t end = tail.size();
    while (end > 0 && IsBlank(tail[end - 1])) {
        --end;
    }
    return end > 0 && tail[end - 1] == '}' ? end - 1 : std::string::npos;
}

} // namespace

WkLogFileStream::~WkLogFileStream() = default;

WkLogFileStream::Existing WkLogFileStream::Inspect(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? Existing::kNothing : Existing::kNotAFile;
    }
    if (!S_ISREG(st.st_mode)) {
        return Existing::kNotAFile;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    std::string head;
    std::string tail;
    long size = 0;
    if (!file || !ReadEnds(file.get(), head, tail, size)) {
        return Existing::kOther;
    }
    if (!head.starts_with("{\\rtf") || ClosingBrace(tail) == std::string::npos) {
        return Existing::kOther;
    }
    // Our files start alike whatever their font: up to the font's name.
    const std::string ours = RtfStart(WkLogFont{});
    const std::string_view ourPrefix(ours.data(), ours.find("\\fcharset0 "));
    return head.starts_with(ourPrefix) ? Existing::kOurLog : Existing::kRichText;
}

bool WkLogFileStream::Open(const std::filesystem::path& path, const WkLogFont& font, bool append) {
    Close();
    // "w" would wait on a FIFO for a reader and truncate a device.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return false;
    }
    file_.reset(std::fopen(path.c_str(), append ? "r+b" : "wb"));
    if (!file_) {
        return false;
    }
    path_ = path;
    if (append) {
        if (!PrepareAppend()) {
            Close();
            return false;
        }
        return true;
    }
    buffer_ = RtfStart(font);
    buffer_ += kRtfEnd;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size() ||
        std::fflush(file_.get()) != 0) {
        Close();
        return false;
    }
    return true;
}

bool WkLogFileStream::PrepareAppend() {
    std::string head;
    std::string tail;
    long size = 0;
    if (!ReadEnds(file_.get(), head, tail, size) || !head.starts_with("{\\rtf")) {
        return false;
    }
    const std::size_t brace = ClosingBrace(tail);
    if (brace == std::string::npos) {
        return false;
    }
    const long at = size - static_cast<long>(tail.size()) + static_cast<long>(brace);
    // The last paragraph of another program's text may still be open.
    std::string text = tail.substr(0, brace);
    while (!text.empty() && IsBlank(text.back())) {
        text.pop_back();
    }
    buffer_ = text.ends_with("\\par") ? "" : "\\par\n";
    buffer_ += kRtfEnd;
    return std::fseek(file_.get(), at, SEEK_SET) == 0 &&
           std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) == buffer_.size() &&
           std::fflush(file_.get()) == 0 &&
           ::ftruncate(fileno(file_.get()), at + static_cast<long>(buffer_.size())) == 0;
}

bool WkLogFileStream::Write(const std::vector<std::string>& lines) {
    if (!file_ || lines.empty()) {
        return IsOpen();
    }
    buffer_.clear();
    for (const std::string& line : lines) {
        AppendRtfUtf8Line(buffer_, line);
    }
    buffer_ += kRtfEnd;
    const long end = -static_cast<long>(kRtfEnd.size());
    if (std::fseek(file_.get(), end, SEEK_END) != 0 ||
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size() ||
        std::fflush(file_.get()) != 0) {
        Close();
        return false;
    }
    return true;
}

void WkLogFileStream::Close() {
    file_.reset();
    path_.clear();
}
