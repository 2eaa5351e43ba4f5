#pragma once
// "Log to file...": every line the protocol window takes goes on into a ".log" file as it
// arrives. The file is whole rich text after every batch of lines (the closing brace is
// written after each batch and overwritten by the next), so it can be opened at any time and
// survives the program ending without a close.

#include "WkRtfText.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class WkLogFileStream {
public:
    WkLogFileStream() = default;
    ~WkLogFileStream();
    WkLogFileStream(const WkLogFileStream&) = delete;
    WkLogFileStream& operator=(const WkLogFileStream&) = delete;

    /// Creates or replaces `path` and writes the start of the text in `font`. False when the
    /// file cannot be written; an open stream is closed first either way.
    bool Open(const std::filesystem::path& path, const WkLogFont& font);
    /// Adds `lines` and ends the text again. False when the file could not be written: the
    /// stream is closed then.
    bool Write(const std::vector<std::string>& lines);
    void Close();

    bool IsOpen() const { return file_ != nullptr; }
    const std::filesystem::path& Path() const { return path_; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;
    std::string buffer_;
};
