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
    /// What is at a path the user chose to log to.
    enum class Existing {
        kNothing,  ///< no file: it is created
        kOurLog,   ///< a log this program wrote: lines can be appended
        kRichText, ///< rich text of another program: lines can be appended
        kOther,    ///< a file that is not rich text: it can only be replaced
        kNotAFile, ///< a folder, device, FIFO or socket: never written
    };
    static Existing Inspect(const std::filesystem::path& path);

    WkLogFileStream() = default;
    ~WkLogFileStream();
    WkLogFileStream(const WkLogFileStream&) = delete;
    WkLogFileStream& operator=(const WkLogFileStream&) = delete;

    /// Creates or replaces `path` and writes the start of the text in `font`; with `append`,
    /// keeps the rich text `path` holds and adds the lines before its closing brace. False
    /// when the file cannot be written (or, for `append`, is not rich text); an open stream
    /// is closed first either way. Only a regular file (or a new one) is ever opened.
    bool Open(const std::filesystem::path& path, const WkLogFont& font, bool append = false);
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
    /// Cuts the open file after its closing brace and ends it as Write expects.
    bool PrepareAppend();

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;
    std::string buffer_;
};
