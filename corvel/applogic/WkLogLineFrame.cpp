#include "WkLogLineFrame.h"

#include "common/HexText.h"

std::optional<std::string> WkLogLineFrame(const std::string& line) {
    std::size_t start = line.find("  >>  ");
    if (start == std::string::npos) {
        start = line.find("  <<  ");
        if (start == std::string::npos) {
            return std::nullopt;
        }
        start += 6;
        // A failed exchange names its code first and puts the bytes it got in brackets.
        if (line.compare(start, 6, "Error:") == 0) {
            start = line.find("  (", start);
            if (start == std::string::npos) {
                return std::nullopt;
            }
            start += 3;
        }
    } else {
        start += 6;
    }
    // Pairs of digits, each followed by one blank; two blanks or any other text ends them.
    std::string frame;
    std::size_t i = start;
    while (i + 1 < line.size() && HexDigitValue(line[i]) >= 0 && HexDigitValue(line[i + 1]) >= 0 &&
           (i + 2 == line.size() || line[i + 2] == ' ')) {
        if (!frame.empty()) {
            frame += ' ';
        }
        frame += line.substr(i, 2);
        i += 3;
        if (i < line.size() && line[i] == ' ') {
            break;
        }
    }
    if (frame.empty()) {
        return std::nullopt;
    }
    return frame;
}
