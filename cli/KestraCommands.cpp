#include "KestraCommands.h"

#include "KestraArguments.h"
#include "KestraLink.h"
#include "WkFrameDecoder.h"
#include "sorn.h"
#include "velk.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace kestra_cli {
namespace {

std::vector<unsigned char> LastFrame(int reader, bool request) {
    std::array<char, 1024> buffer{};
    const int n = request ? VELK_GetLastSendProt(reader, buffer.data(), 0)
                          : VELK_GetLastRecProt(reader, buffer.data(), 0);
    if (n <= 0) {
        return {};
    }
    return {buffer.begin(), buffer.begin() + std::min<int>(n, buffer.size())};
}

std::string Hex2(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

// The decoded answer to `request` as lines and JSON; the exit code is left to the caller.
void DescribeAnswer(KestraReport& report, std::span<const unsigned char> request,
                    std::span<const unsigned char> answer) {
    const WkDecodedFrame frame = DecodeAnswer(answer, request);
    report.json["request"] = HexText(request);
    report.json["answer"] = HexText(answer);
    report.lines.push_back("answer: " + HexText(answer));
    if (!frame.commandName.empty()) {
        report.json["command"] = frame.commandName;
    }
    if (frame.status >= 0) {
        report.json["status"] = frame.status;
        report.json["status_text"] = frame.statusText;
        report.lines.push_back("status: " + Hex2(frame.status) + " " + frame.statusText);
    }
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (const WkDecodedField& field : frame.fields) {
        fields[field.name] = field.value;
        report.lines.push_back(field.name + ": " + field.value);
    }
    report.json["fields"] = fields;
    if (!frame.IsSound()) {
        report.json["problem"] = frame.problem;
        report.Fail(kExitNoAnswer, "broken answer: " + frame.problem);
    } else if (frame.status > 0) {
        report.Fail(kExitStatus, "reader status " + Hex2(frame.status) + ": " + frame.statusText);
    }
}

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

std::string TimeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[40];
    const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(stamp + n, sizeof stamp - n, ".%03d", static_cast<int>(millis));
    return stamp;
}

} // namespace

KestraReport ExchangeReport(const KestraLink& link, int result, const std::string& what) {
    KestraReport report;
    report.json["action"] = what;
    if (result < 0) {
        report.json["code"] = result;
        report.Fail(kExitNoAnswer, what + ": " + KestraLink::ErrorText(result) + " (" +
                                       std::to_string(result) + ")");
        return report;
    }
    DescribeAnswer(report, LastFrame(link.Reader(), true), LastFrame(link.Reader(), false));
    if (report.exitCode != kExitOk) {
        report.error = what + ": " + report.error;
    }
    return report;
}

KestraReport Version(KestraLink& link) {
    char version[1024] = {};
    const int result = VELK_0x65_SoftVersion(link.Reader(), link.Address(), version, 0);
    KestraReport report = ExchangeReport(link, result, "version");
    const std::vector<unsigned char> answer = LastFrame(link.Reader(), false);
    // Data bytes: version (two), revision, hardware type, transponder types (bit 0 = TTA).
    if (result == 0 && answer.size() >= 10) {
        const std::span<const unsigned char> data(answer.data() + 4, 5);
        char version[16];
        std::snprintf(version, sizeof version, "%02d-%02d", data[0], data[1]);
        std::string types;
        nlohmann::ordered_json typeList = nlohmann::ordered_json::array();
        for (int bit = 0; bit < 4; ++bit) {
            if (data[4] & (1 << bit)) {
                const std::string name = std::string("TT") + static_cast<char>('A' + bit);
                types += (types.empty() ? "" : " ") + name;
                typeList.push_back(name);
            }
        }
        report.json["model"] = ModelName(data[3]);
        report.json["hardware_type"] = Hex2(data[3]);
        report.json["software_version"] = version;
        report.json["transponder_types"] = typeList;
        report.lines.insert(report.lines.begin(), {std::string("model: ") + ModelName(data[3]),
                                                   "hardware type: " + Hex2(data[3]),
                                                   std::string("software version: ") + version,
                                                   "transponder types: " + types});
    }
    return report;
}

const char* ModelName(int hardwareType) {
    switch (hardwareType) {
    case 0x20:
        return "KRA";
    case 0x40:
        return "KRB";
    case 0x48:
        return "KRC";
    case 0x50:
        return "KRD";
    default:
        return "unknown";
    }
}

std::vector<unsigned char> ParseFrameBytes(const std::vector<std::string>& words, bool checksum) {
    std::vector<unsigned char> bytes = ParseHex(words);
    // LEN, the first byte, counts the whole frame, the checksum included.
    if (bytes.empty() || bytes.size() + (checksum ? 1 : 0) > 255) {
        throw KestraError(kExitUsage, "send: 1 to 255 bytes make a frame (the checksum counted)");
    }
    return bytes;
}

KestraReport Send(KestraLink& link, std::vector<unsigned char> bytes, bool checksum) {
    const int length = static_cast<int>(bytes.size());
    bytes.push_back(0); // room for the checksum
    std::array<unsigned char, 1024> answer{};
    const int result = VELK_SendTransparent(link.Reader(), bytes.data(), length, answer.data(),
                                            static_cast<int>(answer.size()), checksum ? 1 : 0);
    if (!checksum) {
        bytes.pop_back();
    }
    KestraReport report;
    if (result <= 0) {
        const int code = result == 0 ? SORN_ERR_NOTHING_RECEIVED : result;
        report.json["request"] = HexText(bytes);
        report.json["code"] = code;
        report.Fail(kExitNoAnswer,
                    "send: " + KestraLink::ErrorText(code) + " (" + std::to_string(code) + ")");
        return report;
    }
    DescribeAnswer(report, bytes, std::span(answer.data(), static_cast<std::size_t>(result)));
    if (report.exitCode != kExitOk) {
        report.error = "send: " + report.error;
    }
    return report;
}

std::string ParsePassword(const std::string& text) {
    const std::vector<unsigned char> bytes = ParseHex({text});
    if (bytes.size() != 4) {
        throw KestraError(kExitUsage, "login: the password is 4 bytes (8 hex digits)");
    }
    return std::string(bytes.begin(), bytes.end());
}

KestraReport Login(KestraLink& link, const std::string& password) {
    return ExchangeReport(
        link, VELK_0xA0_RdLogin(link.Reader(), link.Address(), password.data(), 0), "login");
}

KestraReport Reset(KestraLink& link) {
    return ExchangeReport(link, VELK_0x63_CPUReset(link.Reader(), link.Address()), "reset");
}

KestraReport FactoryReset(KestraLink& link) {
    return ExchangeReport(link, VELK_0x64_ConfReset(link.Reader(), link.Address()),
                          "factory-reset");
}

TagRequest ParseTag(const std::string& what, const std::vector<std::string>& args) {
    TagRequest request;
    request.what = what;
    // The request carries the block address and the block count in one byte each; a
    // transponder block is 4 bytes, and one request moves 1 to 4 blocks.
    if (what == "read-public" || what == "write-public") {
        request.block = static_cast<int>(ParseNumber(args.at(0), 0, 255, "tag " + what + " ADDR"));
    }
    if (what == "read-public") {
        request.count = static_cast<int>(ParseNumber(args.at(1), 1, 4, "tag read-public N"));
    } else if (what == "write-public") {
        request.data = ParseHex({args.at(1)});
        if (request.data.empty() || request.data.size() > 16 || request.data.size() % 4 != 0) {
            throw KestraError(kExitUsage, "tag write-public: the data are 1 to 4 blocks of 4 "
                                          "bytes (8 to 32 hex digits), not " +
                                              std::to_string(request.data.size()) + " bytes");
        }
    } else if (what == "write-id") {
        request.data = ParseHex({args.at(0)});
        if (request.data.empty() || request.data.size() > 12) {
            throw KestraError(kExitUsage, "tag write-id: 1 to 12 bytes");
        }
    }
    return request;
}

KestraReport Tag(KestraLink& link, const TagRequest& request) {
    const int reader = link.Reader();
    const int address = link.Address();
    char buffer[1024] = {};
    const std::string raw(request.data.begin(), request.data.end());
    const std::string& what = request.what;
    int result = 0;
    if (what == "serial") {
        unsigned char type = 0;
        result = VELK_0x11_GetSerNr(reader, address, &type, buffer, 1);
    } else if (what == "read-public") {
        result = VELK_0x15_ReadPData(reader, address, request.block, request.count, buffer, 1);
    } else if (what == "write-public") {
        result = VELK_0x14_WritePData(reader, address, request.block, raw.data(),
                                      static_cast<int>(raw.size()), 0);
    } else if (what == "read-id") {
        unsigned char length = 0;
        result = VELK_0x13_ReadIDNr(reader, address, &length, buffer, 1);
    } else if (what == "write-id") {
        result =
            VELK_0x12_WriteIDNr(reader, address, static_cast<int>(raw.size() * 8), raw.data(), 0);
    } else {
        throw KestraError(kExitUsage, "tag: unknown command '" + what + "'");
    }
    return ExchangeReport(link, result, "tag " + what);
}

KestraReport DetectBaud(KestraLink& link) {
    const std::string baud = link.PortPara("baud");
    const std::string frame = link.PortPara("frame");
    const std::string timeout = link.PortPara("timeout");
    static constexpr std::array<std::pair<const char*, const char*>, 6> kRates{{
        {"38400", "50"},
        {"19200", "50"},
        {"9600", "100"},
        {"4800", "100"},
        {"2400", "200"},
        {"1200", "400"},
    }};
    KestraReport report;
    for (const char* tryFrame : {"8E1", "8N1"}) {
        for (const auto& [rate, wait] : kRates) {
            link.SetPortPara("frame", tryFrame);
            link.SetPortPara("baud", rate);
            link.SetPortPara("timeout", wait);
            const int result = VELK_0x52_GetBaud(link.Reader(), link.Address());
            // Silence or a garbled answer: another rate. A failing line ends the search.
            if (IsLineFault(result)) {
                link.Check(result, "detect-baud");
            }
            if (result >= 0) {
                link.SetPortPara("timeout", timeout);
                report.json["baud"] = std::stoi(rate);
                report.json["frame"] = tryFrame;
                report.lines.push_back(std::string(rate) + " / " + tryFrame);
                return report;
            }
        }
    }
    link.SetPortPara("baud", baud);
    link.SetPortPara("frame", frame);
    link.SetPortPara("timeout", timeout);
    report.json["baud"] = nullptr;
    report.Fail(kExitNoAnswer, "No Baudrate detected !");
    return report;
}

int Monitor(KestraLink& link, int count, bool json) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Short receive slices, so that Ctrl-C ends the wait soon.
    link.SetPortPara("Timeout", "100");
    std::vector<unsigned char> pending;
    int frames = 0;
    std::array<unsigned char, 512> buffer{};
    while (!interrupted && (count == 0 || frames < count)) {
        const int n = SORN_Receive(link.Port(), buffer.data(), static_cast<int>(buffer.size()));
        if (n < 0 && n != SORN_ERR_NOTHING_RECEIVED) {
            link.Check(n, "monitor");
        }
        if (n > 0) {
            pending.insert(pending.end(), buffer.begin(), buffer.begin() + n);
        }
        // A LEN byte below 5 cannot start a frame: the byte is dropped.
        while (!pending.empty() && (count == 0 || frames < count)) {
            if (pending[0] < 5) {
                pending.erase(pending.begin());
                continue;
            }
            if (pending.size() < pending[0]) {
                break;
            }
            const std::vector<unsigned char> frame(pending.begin(), pending.begin() + pending[0]);
            pending.erase(pending.begin(), pending.begin() + pending[0]);
            KestraReport report;
            DescribeAnswer(report, {}, frame);
            const std::string stamp = TimeStamp();
            if (json) {
                report.json["time"] = stamp;
                std::cout << report.json.dump() << std::endl;
            } else {
                const WkDecodedFrame decoded = DecodeAnswer(frame);
                std::cout << stamp << "  " << HexText(frame) << "  " << decoded.Summary()
                          << (decoded.IsSound() ? "" : "  (" + decoded.problem + ")") << std::endl;
            }
            ++frames;
        }
    }
    return kExitOk;
}

} // namespace kestra_cli
