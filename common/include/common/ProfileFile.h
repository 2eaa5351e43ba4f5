#pragma once
// A private profile (ini) file, read and written by section and key.
//
// Layout: "[section]" lines, then "key=value" lines; lines starting with ';' or '#' and blank
// lines are kept as they are. Section and key names match without regard to case and to
// surrounding blanks; a value is read without surrounding blanks, and one pair of enclosing
// double quotes is removed.
//
// Writing keeps everything else where it stands: an existing key is updated in its own line
// (a line whose value is already the one written stays as it is), a new key is added after
// the last entry of its section, a new section is added at the end of the file (after a blank
// line when the file is not empty). The file is replaced atomically (written to a temporary
// file beside it, then renamed), so a failed write never loses the previous file. A file that
// is a symbolic link stays one: the file it points to is replaced, with its mode. Line ends
// of an existing file (LF or CR LF) are kept; a new file uses LF.
//
// Two ways of use: Read and Write each go to the file once per call. For many keys, Load the
// file once, Get and Set in memory, and Save once.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }
    bool Exists() const;

    /// The value of `key` in `section`, or `defaultValue` when the file, the section or the
    /// key is missing. With `bufferSize` > 0 the result is cut to bufferSize - 1 characters,
    /// as a caller's fixed buffer of that size would hold it. Reads the file unless it was
    /// loaded, then answers from memory.
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, std::size_t bufferSize = 0) const;

    /// Sets `key` in `section` to `value` and saves, creating the file, section or key as
    /// needed. Returns false when the file cannot be written (the old file is then unchanged).
    bool Write(const std::string& section, const std::string& key, const std::string& value);

    /// Reads the whole file into memory; false when it could not be read (the content is then
    /// empty, as for a new file).
    bool Load();
    /// As Read, from memory (Load first).
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& defaultValue, std::size_t bufferSize = 0) const;
    /// Changes `key` in memory; nothing is written until Save.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    /// Writes the content in one pass when a Set changed it. True when nothing had to be
    /// written or the write succeeded; false (with errno telling why) leaves the old file
    /// unchanged.
    bool Save();
    /// Writes the whole content to `path`, which is the file's path from then on. False (with
    /// errno telling why) leaves the file at `path` unchanged.
    bool SaveAs(std::filesystem::path path);
    /// True when a Set changed the content since the last Load or Save.
    bool IsChanged() const { return changed_; }

private:
    void Parse(const std::string& content);
    void Index();
    // Index of the first "[section]" line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the key's line in the section that starts at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    void InsertLine(std::size_t at, std::string line);

    std::filesystem::path path_;
    bool loaded_ = false;
    bool changed_ = false;
    std::vector<std::string> lines_; // without line ends
    std::string eol_ = "\n";
    // First header line of each section, by its lower-case trimmed name.
    std::unordered_map<std::string, std::size_t> sections_;
};
