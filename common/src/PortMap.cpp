#include "common/PortMap.h"

#include <cstdlib>
#include <fstream>

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string PortMap::FilePath() {
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

bool PortMap::ParseLine(std::string_view line, int& number, std::string& device) {
    line = Trim(line);
    const auto equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string_view::npos) {
        return false;
    }
    number = ParseNumber(Trim(line.substr(0, equals)));
    device = Trim(line.substr(equals + 1));
    return number != 0;
}

std::string PortMap::DeviceOf(int number) {
    if (number < 1 || number > kMaxPort) {
        return {};
    }
    std::ifstream file(FilePath());
    std::string mapped;
    bool isMapped = false;
    int lineNumber = 0;
    std::string device;
    for (std::string line; file && std::getline(file, line);) {
        if (ParseLine(line, lineNumber, device) && lineNumber == number) {
            mapped = device;
            isMapped = true;
        }
    }
    return isMapped ? mapped : DefaultDeviceOf(number);
}

std::string PortMap::DefaultDeviceOf(int number) {
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

std::set<int> PortMap::MappedNumbers() {
    std::set<int> numbers;
    std::ifstream file(FilePath());
    int number = 0;
    std::string device;
    for (std::string line; file && std::getline(file, line);) {
        if (ParseLine(line, number, device)) {
            numbers.insert(number);
        }
    }
    return numbers;
}

int PortMap::ParseNumber(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > kMaxPort) {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= kMaxPort ? value : 0;
}
