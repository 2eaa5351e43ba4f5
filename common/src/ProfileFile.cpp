#include "common/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace {

std::string Trim(const std::string& s) {
    const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto begin = std::find_if_not(s.begin(), s.end(), isBlank);
    auto end = std::find_if_not(s.rbegin(), s.rend(), isBlank).base();
    return begin < end ? std::string(begin, end) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
    const std::string ta = Trim(a);
    const std::string tb = Trim(b);
    return ta.size() == tb.size() &&
           std::equal(ta.begin(), ta.end(), tb.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

struct Lines {
    std::vector<std::string> lines; // without line ends
    std::string eol = "\n";
};

std::optional<Lines> Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();
    Lines result;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::string line =
            content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            result.eol = "\r\n";
        }
        result.lines.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}

// "[name]" gives name; any other line gives nothing.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() >= 2 && t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string::npos)
            return t.substr(1, close - 1);
    }
    return std::nullopt;
}

bool IsComment(const std::string& line) {
    const std::string t = Trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// The key of a "key=value" line, or nothing.
std::optional<std::string> KeyOf(const std::string& line) {
    if (IsComment(line))
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

// Index of the section's header line, or -1.
long FindSection(const Lines& file, const std::string& section) {
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        auto name = SectionName(file.lines[i]);
        if (name && SameName(*name, section))
            return static_cast<long>(i);
    }
    return -1;
}

} // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

bool ProfileFile::Exists() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(path_, ec);
}

std::string ProfileFile::Read(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize) const {
    std::string value = defaultValue;
    if (auto file = Load(path_)) {
        const long header = FindSection(*file, section);
        if (header >= 0) {
            for (std::size_t i = static_cast<std::size_t>(header) + 1; i < file->lines.size();
                 ++i) {
                const std::string& line = file->lines[i];
                if (SectionName(line))
                    break;
                auto k = KeyOf(line);
                if (k && SameName(*k, key)) {
                    value = Trim(line.substr(line.find('=') + 1));
                    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                        value = value.substr(1, value.size() - 2);
                    break;
                }
            }
        }
    }
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

bool ProfileFile::Write(const std::string& section, const std::string& key,
                        const std::string& value) {
    Lines file = Load(path_).value_or(Lines{});
    // A file that ends with a line end loads with a last empty line; keep it out of the way.
    const bool endedWithEol = !file.lines.empty() && file.lines.back().empty();
    if (endedWithEol)
        file.lines.pop_back();

    const std::string entry = Trim(key) + "=" + value;
    const long header = FindSection(file, section);
    if (header < 0) {
        if (!file.lines.empty() && !Trim(file.lines.back()).empty())
            file.lines.emplace_back();
        // Built by appending: GCC 12 at -O3 warns falsely about "[" + text.
        std::string heading(1, '[');
        heading += Trim(section);
        heading += ']';
        file.lines.push_back(std::move(heading));
        file.lines.push_back(entry);
    } else {
        std::size_t lastEntry = static_cast<std::size_t>(header);
        bool updated = false;
        for (std::size_t i = lastEntry + 1; i < file.lines.size(); ++i) {
            const std::string& line = file.lines[i];
            if (SectionName(line))
                break;
            auto k = KeyOf(line);
            if (k && SameName(*k, key)) {
                file.lines[i] = entry;
                updated = true;
                break;
            }
            if (!Trim(line).empty())
                lastEntry = i;
        }
        if (!updated)
            file.lines.insert(file.lines.begin() + static_cast<long>(lastEntry) + 1, entry);
    }

    std::string content;
    for (const auto& line : file.lines)
        content += line + file.eol;

    std::filesystem::path temp = path_;
    temp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << content;
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path_, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}
