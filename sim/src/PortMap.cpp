#include "kestra/PortMap.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace kestra {

namespace {

// The port number a map line sets, or 0 for comments, blank and malformed lines.
int NumberOfLine(const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') {
        return 0;
    }
    int number = 0;
    std::size_t digits = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 4) {
        number = number * 10 + (line[i] - '0');
        ++i;
        ++digits;
    }
    i = line.find_first_not_of(" \t", i);
    if (digits == 0 || i == std::string::npos || line[i] != '=') {
        return 0;
    }
    return number;
}

// What a map line sets its port to: the text after '=' without surrounding blanks.
std::string DeviceOfLine(const std::string& line) {
    const std::size_t eq = line.find('=');
    const std::size_t first = line.find_first_not_of(" \t\r", eq + 1);
    if (eq == std::string::npos || first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Replaces the file at `path` by `text` atomically, making missing folders.
bool ReplaceFile(const std::string& path, const std::string& text, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec) {
            error = "cannot create " + target.parent_path().string() + ": " + ec.message();
            return false;
        }
    }
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << text;
        file.flush();
        if (!file) {
            error = "cannot write " + temporary.string();
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot replace " + path + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

} // namespace

std::string PortMapPath() {
    if (const char* ports = std::getenv("SORN_PORTS"); ports != nullptr && *ports != '\0') {
        return ports;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        return std::string(config) + "/sorn/ports";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.config/sorn/ports";
    }
    return {};
}

bool UpdatePortMap(const std::string& path, int number, const std::string& device,
                   std::string& error) {
    if (number < 1 || number > 256) {
        error = "port number must be 1..256";
        return false;
    }
    if (path.empty()) {
        error = "no port map file (set SORN_PORTS or HOME)";
        return false;
    }
    std::string entry = std::to_string(number) + "=" + device;
    bool placed = false;
    std::ostringstream out;
    for (const std::string& line : ReadLines(path)) {
        if (NumberOfLine(line) == number) {
            if (!placed) {
                out << entry << '\n';
                placed = true;
            }
            continue;
        }
        out << line << '\n';
    }
    if (!placed) {
        out << entry << '\n';
    }
    return ReplaceFile(path, out.str(), error);
}

bool RemovePortMapEntry(const std::string& path, int number, const std::string& device,
                        std::string& error) {
    bool removed = false;
    std::ostringstream out;
    for (const std::string& line : ReadLines(path)) {
        if (NumberOfLine(line) == number && DeviceOfLine(line) == device) {
            removed = true;
            continue;
        }
        out << line << '\n';
    }
    return !removed || ReplaceFile(path, out.str(), error);
}

} // namespace kestra
