#include "KestraScan.h"

#include "KestraArguments.h"
#include "KestraCommands.h"
#include "KestraLink.h"
#include "velk.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>

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
        const long first = ParseNumber(item.substr(0, dash), 0, 253, "--addresses");
        const long last = dash == std::string::npos
                              ? first
                              : ParseNumber(item.substr(dash + 1), first, 253, "--addresses");
        std::fill(chosen.begin() + first, chosen.begin() + last + 1, true);
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

namespace {

// Readers found, answers that could not be used, and the line while a scan runs.
class Sweep {
public:
    Sweep(KestraLink& link, const ScanOptions& options)
        : link_(link), options_(options),
          total_(static_cast<int>(options.addresses.size() * options.bauds.size() *
                                  options.frames.size())),
          start_(std::chrono::steady_clock::now()) {}

    // Probes every address at every rate and frame; a line that fails throws KestraError.
    void Run() {
        for (int baud : options_.bauds) {
            for (const std::string& frame : options_.frames) {
                link_.SetPortPara("baud", std::to_string(baud));
                link_.SetPortPara("frame", frame);
                const int silence =
                    options_.silenceMs > 0 ? options_.silenceMs : SilenceMs(baud, frame);
                link_.SetPortPara("timeout", std::to_string(silence));
                for (int address : options_.addresses) {
                    Probe(address, baud, frame);
                }
            }
        }
    }

    void Finish(KestraReport& report) {
        if (options_.progress) {
            std::cerr << "\r\033[K" << std::flush;
        }
        nlohmann::ordered_json broken = nlohmann::ordered_json::array();
        for (const auto& [address, errors] : broken_) {
            broken.push_back(
                {{"address", address}, {"answers", errors.size()}, {"errors", errors}});
            std::string line = std::to_string(address) + ": " + std::to_string(errors.size()) +
                               " broken answer" + (errors.size() == 1 ? "" : "s");
            for (std::size_t i = 0; i < errors.size(); ++i) {
                line += (i == 0 ? ": " : ", ") + errors[i];
            }
            if (options_.verbose && !options_.json) {
                std::cout << "broken answers from address " << line << std::endl;
            }
        }
        report.json["readers"] = readers_;
        report.json["broken"] = broken;
        if (readers_.empty()) {
            report.Fail(kExitNoAnswer, "scan: no reader answered");
        }
    }

private:
    void Probe(int address, int baud, const std::string& frame) {
        std::array<char, 1024> version{};
        const int result = VELK_0x65_SoftVersion(link_.Reader(), address, version.data(), 0);
        nlohmann::ordered_json reader = {{"address", address}, {"baud", baud}, {"frame", frame}};
        char line[160] = {};
        if (result == 0) {
            // Raw: data bytes 0 and 1 are the version, byte 3 the hardware type.
            const auto byte = [&](int i) { return static_cast<unsigned char>(version[i]); };
            char text[16];
            std::snprintf(text, sizeof text, "%02d-%02d", byte(0), byte(1));
            const char* model = ModelName(byte(3));
            std::snprintf(line, sizeof line, "%3d  %6d  %s  %-7s  %s", address, baud, frame.c_str(),
                          model, text);
            reader["model"] = model;
            reader["version"] = text;
        } else if (result > 0) {
            // A reader answered, though not with OK: it is there.
            std::snprintf(line, sizeof line, "%3d  %6d  %s  %-7s  status 0x%02X: %s", address, baud,
                          frame.c_str(), "unknown", result & 0xFF,
                          KestraLink::StatusText(result).c_str());
            reader["model"] = "unknown";
            reader["status"] = result;
        } else if (IsLineFault(result)) {
            // The device went away: no later probe can answer.
            link_.Check(result, "scan at address " + std::to_string(address));
        } else if (result != SORN_ERR_NOTHING_RECEIVED) {
            broken_[address].push_back(KestraLink::ErrorText(result) + " (" +
                                       std::to_string(result) + ")");
        }
        if (line[0] != '\0') {
            readers_.push_back(reader);
            // Each reader is shown as it is found, not at the end of a long sweep.
            if (!options_.json) {
                if (options_.progress) {
                    std::cerr << "\r\033[K" << std::flush;
                }
                std::cout << line << std::endl;
            }
        }
        ++done_;
        if (options_.progress) {
            std::cerr << '\r'
                      << ProgressLine(done_, total_, std::chrono::steady_clock::now() - start_)
                      << std::flush;
        }
    }

    KestraLink& link_;
    const ScanOptions& options_;
    int total_;
    int done_ = 0;
    std::chrono::steady_clock::time_point start_;
    nlohmann::ordered_json readers_ = nlohmann::ordered_json::array();
    std::map<int, std::vector<std::string>> broken_;
};

} // namespace

KestraReport Scan(KestraLink& link, const ScanOptions& options) {
    const std::string savedTimeout = link.PortPara("timeout");
    // An answer that comes late, from the reader probed before, must not be taken for one from
    // the address probed now: the scan rejects answers from another bus address.
    char savedCheck[8] = "0";
    VELK_GetReaderPara(link.Reader(), "CHKRECBUSADR", savedCheck);
    VELK_SetReaderPara(link.Reader(), "CHKRECBUSADR", "1");
    KestraReport report;
    Sweep sweep(link, options);
    try {
        sweep.Run();
        link.SetPortPara("timeout", savedTimeout);
    } catch (const KestraError& e) {
        // A lost line ends the sweep; the readers found so far are still reported.
        report.Fail(e.ExitCode(), e.what());
    }
    sweep.Finish(report);
    VELK_SetReaderPara(link.Reader(), "CHKRECBUSADR", savedCheck);
    return report;
}

} // namespace kestra_cli
