#include "KestraScan.h"

#include "KestraCommands.h"
#include "KestraLink.h"
#include "velk.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace kestra_cli {

double CharacterMs(int baud, const std::string& frame) {
    // "8E1": data bits, parity, stop bits.
    int bits = 1 + 8 + 1;
    if (frame.size() == 3) {
        bits = 1 + (frame[0] - '0') + (frame[1] == 'N' ? 0 : 1) + (frame[2] - '0');
    }
    return 1000.0 * bits / baud;
}

int SilenceMs(int baud, const std::string& frame) {
    const double wire = (kProbeBytes + kVersionAnswerBytes) * CharacterMs(baud, frame);
    return static_cast<int>(std::ceil(wire + kReplyMarginMs));
}

double FloorMs(const ScanOptions& options, int present) {
    const auto absent = static_cast<double>(options.addresses.size()) - present;
    double total = 0;
    for (int baud : options.bauds) {
        for (const std::string& frame : options.frames) {
            const double character = CharacterMs(baud, frame);
            const double answer = kVersionAnswerBytes * character;
            total += static_cast<double>(options.addresses.size()) * kProbeBytes * character +
                     absent * (answer + kReplyMarginMs) + present * answer;
        }
    }
    return total;
}

std::vector<int> ParseAddresses(const std::string& text) {
    std::vector<bool> chosen(254, false);
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find(',', begin), text.size());
        const std::string item = text.substr(begin, end - begin);
        const std::size_t dash = item.find('-');
        try {
            std::size_t used = 0;
            const int first = std::stoi(item.substr(0, dash), &used);
            const int last = dash == std::string::npos ? first : std::stoi(item.substr(dash + 1));
            if (item.empty() || first < 0 || last > 253 || first > last) {
                throw std::out_of_range(item);
            }
            std::fill(chosen.begin() + first, chosen.begin() + last + 1, true);
        } catch (const std::exception&) {
            throw KestraError(kExitUsage, "--addresses: '" + item +
                                              "' is not an address or range within 0-253");
        }
        begin = end + 1;
    }
    std::vector<int> addresses;
    for (int a = 0; a < 254; ++a) {
        if (chosen[a]) {
            addresses.push_back(a);
        }
    }
    return addresses;
}

std::string ProgressLine(int done, int total, std::chrono::duration<double> elapsed) {
    constexpr int kWidth = 30;
    const double part = total > 0 ? static_cast<double>(done) / total : 1.0;
    const int filled = static_cast<int>(part * kWidth);
    std::string bar = "[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "]";
    char tail[64];
    const double left = done > 0 ? elapsed.count() / done * (total - done) : 0.0;
    std::snprintf(tail, sizeof tail, " %3d%%  %.0f s left", static_cast<int>(part * 100), left);
    return bar + tail;
}

KestraReport Scan(KestraLink& link, const ScanOptions& options) {
    const int total =
        static_cast<int>(options.addresses.size() * options.bauds.size() * options.frames.size());
    const std::string savedTimeout = link.PortPara("timeout");
    // An answer that comes late, from the reader probed before, must not be taken for one from
    // the address probed now: the scan rejects answers from another bus address.
    char savedCheck[8] = "0";
    VELK_GetReaderPara(link.Reader(), "CHKRECBUSADR", savedCheck);
    VELK_SetReaderPara(link.Reader(), "CHKRECBUSADR", "1");
    const auto start = std::chrono::steady_clock::now();
    KestraReport report;
    nlohmann::ordered_json readers = nlohmann::ordered_json::array();
    int done = 0;
    for (int baud : options.bauds) {
        for (const std::string& frame : options.frames) {
            link.SetPortPara("baud", std::to_string(baud));
            link.SetPortPara("frame", frame);
            const int silence = options.silenceMs > 0 ? options.silenceMs : SilenceMs(baud, frame);
            link.SetPortPara("timeout", std::to_string(silence));
            for (int address : options.addresses) {
                std::array<char, 1024> version{};
                const int result = VELK_0x65_SoftVersion(link.Reader(), address, version.data(), 0);
                // Raw: data bytes 0 and 1 are the version, byte 3 the hardware type.
                if (result == 0) {
                    const auto byte = [&](int i) { return static_cast<unsigned char>(version[i]); };
                    char text[16];
                    std::snprintf(text, sizeof text, "%02d-%02d", byte(0), byte(1));
                    const char* model = ModelName(byte(3));
                    char line[128];
                    std::snprintf(line, sizeof line, "%3d  %6d  %s  %-7s  %s", address, baud,
                                  frame.c_str(), model, text);
                    // Each reader is shown as it is found, not at the end of a long sweep.
                    if (!options.json) {
                        if (options.progress) {
                            std::cerr << "\r\033[K" << std::flush;
                        }
                        std::cout << line << std::endl;
                    }
                    readers.push_back({{"address", address},
                                       {"baud", baud},
                                       {"frame", frame},
                                       {"model", model},
                                       {"version", text}});
                } else if (result > 0) {
                    // A reader answered, though not with OK: it is there.
                    readers.push_back({{"address", address},
                                       {"baud", baud},
                                       {"frame", frame},
                                       {"model", "unknown"},
                                       {"status", result}});
                }
                ++done;
                if (options.progress) {
                    std::cerr << '\r'
                              << ProgressLine(done, total, std::chrono::steady_clock::now() - start)
                              << std::flush;
                }
            }
        }
    }
    if (options.progress) {
        std::cerr << "\r\033[K" << std::flush;
    }
    link.SetPortPara("timeout", savedTimeout);
    VELK_SetReaderPara(link.Reader(), "CHKRECBUSADR", savedCheck);
    report.json["readers"] = readers;
    return report;
}

} // namespace kestra_cli
