#pragma once
// A private profile (ini) file, read and written by section and key.
//
// Layout: "[section]" lines, then "key=value" lines; lines starting with ';' or '#' and blank
// lines are kept as they are. Section and key names match without regard to case and to
// surrounding blanks; a value is read without surrounding blanks, and one pair of enclosing
// double quotes is removed.
//
// Writing keeps everything else where it stands: an existing key is updated in its own line,
// a new key is added after the last entry of its section, a new section is added at the end
// of the file (after a blank line when the file is not empty). The file is replaced
// atomically (written to a temporary file, then renamed), so a failed write never loses the
// previous file. Line ends of an existing file (LF or CR LF) are kept; a new file uses LF.

#include <filesystem>
#include <string>

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }
    bool Exists() const;

    /// The value of `key` in `section`, or `defaultValue` when the file, the section or the
    /// key is missing. With `bufferSize` > 0 the result is cut to bufferSize - 1 characters,
    /// as a caller's fixed buffer of that size would hold it.
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, std::size_t bufferSize = 0) const;

    /// Sets `key` in `section` to `value`, creating the file, section or key as needed.
    /// Returns false when the file cannot be written (the old file is then unchanged).
    bool Write(const std::string& section, const std::string& key, const std::string& value);

private:
    std::filesystem::path path_;
};
