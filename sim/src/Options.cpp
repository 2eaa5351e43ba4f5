#include "kestra/Options.h"

#include <charconv>

namespace kestra {

const char* const kUsage =
    "usage: kestra-sim [--link PATH | --device /dev/ttyX | --listen tcp|rfc2217:[HOST:]PORT]\n"
    "                  [--map-port N]\n"
    "                  [--model KRA|KRB|KRC|KRD] [--address A] [--reader MODEL:ADDRESS ...]\n"
    "                  [--baud 1200|2400|4800|9600|19200|38400] [--wire]\n"
    "                  [--tag TTA|TTB|TTC|TTD:SERIAL] [--control SOCKET]\n"
    "       kestra-sim --send SOCKET LINE...\n"
    "Simulates a bus of Kestra readers on a pseudo-terminal (or a serial device, or as a\n"
    "device server on the network, one host at a time, on 127.0.0.1 unless HOST is given)\n"
    "until SIGINT or SIGTERM. Control lines on standard input and on the --control socket:\n"
    "  tag TYPE SERIAL [ADDRESS] | tag none [ADDRESS]\n"
    "  fault silent|checksum|busaddr|command|short|late[=MS]|status=XX [COUNT] | fault none\n"
    "  state [ADDRESS] | input BITS [ADDRESS]\n"
    "  memory public|config|secret BLOCK COUNT [ADDRESS] | memory id [ADDRESS]\n"
    "--send passes one control line to a running simulator and prints its answer.\n";

namespace {

bool ParseNumber(const std::string& text, unsigned& value) {
    if (text.empty()) {
        return false;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "rfc2217:4001", "tcp:0.0.0.0:4001", "rfc2217:[::1]:0".
std::optional<NetworkAddress> ParseListen(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    NetworkAddress address;
    const std::string mode = text.substr(0, colon);
    if (mode != "tcp" && mode != "rfc2217") {
        return std::nullopt;
    }
    address.mode = mode == "tcp" ? NetworkAddress::Mode::Raw : NetworkAddress::Mode::Rfc2217;
    const std::string rest = text.substr(colon + 1);
    const bool portOnly = rest.find_first_not_of("0123456789") == std::string::npos;
    if (!NetworkAddress::ParseHostPort(portOnly ? "127.0.0.1:" + rest : rest, address.host,
                                       address.port)) {
        return std::nullopt;
    }
    return address;
}

bool ParseAddress(const std::string& text, std::uint8_t& address) {
    unsigned value = 0;
    if (!ParseNumber(text, value) || value > 253) {
        return false;
    }
    address = static_cast<std::uint8_t>(value);
    return true;
}

} // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options options;
    ReaderSpec single;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--wire") {
            options.wire = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = arg.starts_with("--") ? arg + " needs a value" : "unknown argument " + arg;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        unsigned number = 0;
        if (arg == "--send") {
            if (i + 1 >= args.size()) {
                error = "--send takes a socket path and a control line";
                return std::nullopt;
            }
            options.sendPath = value;
            for (++i; i < args.size(); ++i) {
                options.sendLine += (options.sendLine.empty() ? "" : " ") + args[i];
            }
            break;
        }
        if (arg == "--link") {
            options.link = value;
        } else if (arg == "--device") {
            options.device = value;
        } else if (arg == "--listen") {
            options.listen = ParseListen(value);
            if (!options.listen) {
                error = "--listen takes tcp:PORT or rfc2217:PORT, or MODE:HOST:PORT";
                return std::nullopt;
            }
        } else if (arg == "--map-port") {
            if (!ParseNumber(value, number) || number < 1 || number > 256) {
                error = "--map-port takes a port number 1..256";
                return std::nullopt;
            }
            options.mapPort = static_cast<int>(number);
        } else if (arg == "--model") {
            auto model = ParseModel(value);
            if (!model) {
                error = "unknown model " + value;
                return std::nullopt;
            }
            single.model = *model;
        } else if (arg == "--address") {
            if (!ParseAddress(value, single.address)) {
                error = "--address takes a bus address 0..253";
                return std::nullopt;
            }
        } else if (arg == "--reader") {
            std::size_t colon = value.find(':');
            ReaderSpec wanted;
            auto model = ParseModel(value.substr(0, colon));
            if (colon == std::string::npos || !model ||
                !ParseAddress(value.substr(colon + 1), wanted.address)) {
                error = "--reader takes MODEL:ADDRESS, for example KRB:3";
                return std::nullopt;
            }
            wanted.model = *model;
            for (const ReaderSpec& other : options.readers) {
                if (other.address == wanted.address) {
                    error = "two readers with bus address " + value.substr(colon + 1);
                    return std::nullopt;
                }
            }
            options.readers.push_back(wanted);
        } else if (arg == "--tag") {
            std::size_t colon = value.find(':');
            auto type = ParseTransponderType(value.substr(0, colon));
            auto serial = colon == std::string::npos
                              ? std::nullopt
                              : ParseSerialNumber(std::string_view(value).substr(colon + 1));
            if (!type || !serial) {
                error = "--tag takes TYPE:SERIAL, for example TTD:0102030405";
                return std::nullopt;
            }
            options.tag = TagSpec{*type, *serial};
        } else if (arg == "--control") {
            options.control = value;
        } else if (arg == "--baud") {
            auto code = ParseNumber(value, number) ? CodeOfBaud(number) : std::nullopt;
            if (!code) {
                error = "--baud takes 1200, 2400, 4800, 9600, 19200 or 38400";
                return std::nullopt;
            }
            options.baud = number;
        } else {
            error = "unknown argument " + arg;
            return std::nullopt;
        }
    }
    if ((!options.link.empty()) + (!options.device.empty()) + options.listen.has_value() > 1) {
        error = "--link, --device and --listen exclude each other";
        return std::nullopt;
    }
    if (options.readers.empty()) {
        options.readers.push_back(single);
    }
    return options;
}

} // namespace kestra
