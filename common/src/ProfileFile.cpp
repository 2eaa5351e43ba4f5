#include "common/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Links followed before giving up on a loop.
constexpr int kMaxLinkHops = 40;

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::string Lower(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// "[name]" gives true and the name.
bool SectionName(std::string_view line, std::string_view& name) {
    const std::string_view t = Trim(line);
    if (t.size() >= 2 && t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            name = t.substr(1, close - 1);
            return true;
        }
    }
    return false;
}

bool IsSection(std::string_view line) {
    std::string_view name;
    return SectionName(line, name);
}

// The key of a "key=value" line; false for comments and other lines.
bool KeyOf(std::string_view line, std::string_view& key) {
    const std::string_view t = Trim(line);
    if (!t.empty() && (t.front() == ';' || t.front() == '#')) {
        return false;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = line.substr(0, eq);
    return true;
}

std::string ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// The file a path names at last, following symbolic links (also a link whose target does not
// exist yet), so that saving replaces the target and leaves the link in place.
std::filesystem::path FinalTarget(std::filesystem::path path) {
    std::error_code ec;
    for (int hop = 0; hop < kMaxLinkHops && std::filesystem::is_symlink(path, ec); ++hop) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

bool ProfileFile::Exists() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(path_, ec);
}

bool ProfileFile::Load() {
    loaded_ = true;
    changed_ = false;
    lines_.clear();
    eol_ = "\n";
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    std::string content;
    bool ok = fd >= 0;
    if (ok) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size > 0) {
            content.reserve(static_cast<std::size_t>(st.st_size));
        }
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            content.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
    }
    if (!ok) {
        content.clear();
    }
    Parse(content);
    return ok;
}

void ProfileFile::Parse(const std::string& content) {
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = content.find('\n', start);
        std::string line =
            content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            eol_ = "\r\n";
        }
        lines_.push_back(std::move(line));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    // A file that ends with a line end would load with a last empty line; it is written
    // back by the line end of the last line.
    if (!content.empty() && content.back() == '\n' && !lines_.empty() && lines_.back().empty()) {
        lines_.pop_back();
    }
    Index();
}

void ProfileFile::Index() {
    sections_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (SectionName(lines_[i], name)) {
            sections_.emplace(Lower(name), i);
        }
    }
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    const auto it = sections_.find(Lower(section));
    return it == sections_.end() ? kNone : it->second;
}

std::size_t ProfileFile::FindKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < lines_.size() && !IsSection(lines_[i]); ++i) {
        std::string_view k;
        if (KeyOf(lines_[i], k) && SameName(k, key)) {
            return i;
        }
    }
    return kNone;
}

std::string ProfileFile::Get(const std::string& section, const std::string& key,
                             const std::string& defaultValue, std::size_t bufferSize) const {
    std::string value = defaultValue;
    if (const std::size_t header = FindSection(section); header != kNone) {
        if (const std::size_t line = FindKey(header, key); line != kNone) {
            value = ValueOf(lines_[line]);
        }
    }
    if (bufferSize > 0 && value.size() > bufferSize - 1) {
        value.resize(bufferSize - 1);
    }
    return value;
}

std::string ProfileFile::Read(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize) const {
    if (loaded_) {
        return Get(section, key, defaultValue, bufferSize);
    }
    ProfileFile file(path_);
    file.Load();
    return file.Get(section, key, defaultValue, bufferSize);
}

void ProfileFile::InsertLine(std::size_t at, std::string line) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    for (auto& [name, header] : sections_) {
        if (header >= at) {
            ++header;
        }
    }
}

void ProfileFile::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
    if (!loaded_) {
        Load();
    }
    std::string entry(Trim(key));
    entry += '=';
    entry += value;
    const std::size_t header = FindSection(section);
    if (header == kNone) {
        if (!lines_.empty() && !Trim(lines_.back()).empty()) {
            lines_.emplace_back();
        }
        // Built by appending: GCC 12 at -O3 warns falsely about "[" + text.
        std::string heading(1, '[');
        heading += Trim(section);
        heading += ']';
        sections_.emplace(Lower(section), lines_.size());
        lines_.push_back(std::move(heading));
        lines_.push_back(std::move(entry));
        changed_ = true;
        return;
    }
    if (const std::size_t line = FindKey(header, key); line != kNone) {
        if (ValueOf(lines_[line]) != value || Trim(value).size() != value.size()) {
            lines_[line] = std::move(entry);
            changed_ = true;
        }
        return;
    }
    std::size_t lastEntry = header;
    for (std::size_t i = header + 1; i < lines_.size() && !IsSection(lines_[i]); ++i) {
        if (!Trim(lines_[i]).empty()) {
            lastEntry = i;
        }
    }
    InsertLine(lastEntry + 1, std::move(entry));
    changed_ = true;
}

bool ProfileFile::Write(const std::string& section, const std::string& key,
                        const std::string& value) {
    Set(section, key, value);
    return Save();
}

bool ProfileFile::Save() {
    if (!changed_) {
        return true;
    }
    std::size_t size = 0;
    for (const std::string& line : lines_) {
        size += line.size() + eol_.size();
    }
    std::string content;
    content.reserve(size);
    for (const std::string& line : lines_) {
        content += line;
        content += eol_;
    }

    const std::filesystem::path target = FinalTarget(path_);
    std::filesystem::path temp = target;
    temp += ".tmp" + std::to_string(::getpid());
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, content);
    if (ok && existed) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    changed_ = false;
    return true;
}

bool ProfileFile::SaveAs(std::filesystem::path path) {
    path_ = std::move(path);
    changed_ = true;
    return Save();
}
