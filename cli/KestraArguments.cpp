#include "KestraArguments.h"

#include "KestraError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

namespace kestra_cli {

long ParseNumber(const std::string& text, long min, long max, const std::string& what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    long value = 0;
    // from_chars takes no sign, prefix or blank, so "+5", " 5" and "0x-5" are refused too.
    const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    const bool whole = !text.empty() && text[0] != '-' && error == std::errc() && end == last;
    if (!whole || value < min || value > max) {
        throw KestraError(kExitUsage, what + ": '" + text + "' is not a number within " +
                                          std::to_string(min) + ".." + std::to_string(max));
    }
    return value;
}

int ParseBaud(const std::string& text, const std::string& what) {
    const long baud = ParseNumber(text, 0, 1000000, what);
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates)) {
        throw KestraError(kExitUsage, what + ": " + text +
                                          " is not one of 1200, 2400, 4800, 9600, 19200, 38400, "
                                          "57600, 115200");
    }
    return static_cast<int>(baud);
}

std::string ParseFrame(const std::string& text, const std::string& what) {
    std::string frame;
    std::transform(text.begin(), text.end(), std::back_inserter(frame),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const bool valid = frame.size() == 3 && (frame[0] == '7' || frame[0] == '8') &&
                       (frame[1] == 'N' || frame[1] == 'E' || frame[1] == 'O') &&
                       (frame[2] == '1' || frame[2] == '2');
    if (!valid) {
        throw KestraError(kExitUsage, what + ": '" + text +
                                          "' is not a frame such as 8E1 (data bits 7|8, "
                                          "parity N|E|O, stop bits 1|2)");
    }
    return frame;
}

} // namespace kestra_cli
