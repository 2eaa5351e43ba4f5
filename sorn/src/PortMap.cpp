#include "PortMap.h"

#include <cstdlib>
#include <fstream>

namespace sorn {

std::string PortMap::MapFilePath() {
    if (const char* env = std::getenv("SORN_PORTS"); env && *env) {
        return env;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        return std::string(xdg) + "/sorn/ports";
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/sorn/ports";
}

static std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string PortMap::PathOf(int number) {
    if (number < 1 || number > kMaxPort) {
        return {};
    }
    std::ifstream file(MapFilePath());
    std::string line;
    std::string mapped;
    bool isMapped = false;
    while (file && std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        if (ParseNumber(Trim(line.substr(0, eq)).c_str()) == number) {
            mapped = Trim(line.substr(eq + 1)); // a later line for the same number wins
            isMapped = true;
        }
    }
    return isMapped ? mapped : DefaultPathOf(number);
}

std::string PortMap::DefaultPathOf(int number) {
    if (number < 1) {
        return {};
    }
    if (number <= 32) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    if (number <= 64) {
        return "/dev/ttyUSB" + std::to_string(number - 33);
    }
    if (number <= 96) {
        return "/dev/ttyACM" + std::to_string(number - 65);
    }
    return {};
}

int PortMap::ParseNumber(const char* text) {
    if (!text || !*text) {
        return 0;
    }
    int value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || value > kMaxPort) {
            return 0;
        }
        value = value * 10 + (*p - '0');
    }
    return value >= 1 && value <= kMaxPort ? value : 0;
}

} // namespace sorn
