#include "kestra/PortMap.h"

#include "common/PortMap.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace kestra {

namespace {

// Whether map line `line` sets port `number`; what it sets it to goes to `device`.
bool SetsPort(const std::string& line, int number, std::string& device) {
    int lineNumber = 0;
    return ::PortMap::ParseLine(line, lineNumber, device) && lineNumber == number;
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
    std::string mapped;
    for (const std::string& line : ReadLines(path)) {
        if (SetsPort(line, number, mapped)) {
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
    std::string mapped;
    for (const std::string& line : ReadLines(path)) {
        if (SetsPort(line, number, mapped) && mapped == device) {
            removed = true;
            continue;
        }
        out << line << '\n';
    }
    return !removed || ReplaceFile(path, out.str(), error);
}

} // namespace kestra
