#include "WkLogFileStream.h"

WkLogFileStream::~WkLogFileStream() = default;

bool WkLogFileStream::Open(const std::filesystem::path& path, const WkLogFont& font) {
    Close();
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        return false;
    }
    path_ = path;
    buffer_ = RtfStart(font);
    buffer_ += kRtfEnd;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size() ||
        std::fflush(file_.get()) != 0) {
        Close();
        return false;
    }
    return true;
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
