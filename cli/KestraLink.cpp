#include "KestraLink.h"

#include "KestraError.h"
#include "KestraPortMap.h"
#include "sorn.h"
#include "velk.h"

#include <cstdio>

namespace {

// The reader library's protocol lines carry their own time stamp.
void PrintProtocolLine(const char* text, int /*code*/) {
    std::fprintf(stderr, "%s\n", text ? text : "");
}

std::string Quoted(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789/._-+=:,@") == std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

KestraLink::KestraLink(KestraLinkOptions options) : options_(std::move(options)) {
    if (!options_.device.empty() && options_.port == 0) {
        map_ = std::make_unique<KestraPortMap>(std::vector{options_.device}, std::vector<int>{});
        options_.port = map_->PortOf(0);
    }
}

KestraLink::~KestraLink() {
    if (reader_ > 0) {
        VELK_DeleteReader(reader_);
    }
    if (port_ > 0) {
        SORN_ClosePort(port_);
    }
    VELK_SetCbPtr_ProtStr(nullptr);
}

std::string KestraLink::PortName() const {
    return std::to_string(options_.port);
}

std::string KestraLink::DeviceName() const {
    return options_.device.empty() ? "port " + PortName() : options_.device;
}

std::string KestraLink::CommandPrefix() const {
    std::string prefix = "kestra";
    prefix +=
        options_.device.empty() ? " --port " + PortName() : " --device " + Quoted(options_.device);
    if (options_.baud != KestraLinkOptions{}.baud) {
        prefix += " --baud " + std::to_string(options_.baud);
    }
    if (options_.frame != KestraLinkOptions{}.frame) {
        prefix += " --frame " + options_.frame;
    }
    if (options_.address != 0) {
        prefix += " --address " + std::to_string(options_.address);
    }
    return prefix;
}

void KestraLink::Open() {
    if (options_.port < 1 || options_.port > 256) {
        throw KestraError(kExitUsage, "no port: give --port 1..256 or --device PATH");
    }
    port_ = SORN_OpenPort(PortName().c_str());
    if (port_ <= 0) {
        const int code = port_;
        port_ = 0;
        throw KestraError(kExitNoAnswer, "cannot open " + DeviceName() + ": " + ErrorText(code) +
                                             " (" + std::to_string(code) + ")");
    }
    SetPortPara("baud", std::to_string(options_.baud));
    SetPortPara("frame", options_.frame);
    if (options_.timeout > 0) {
        SetPortPara("timeout", std::to_string(options_.timeout));
    }
    reader_ = VELK_NewReader(port_);
    if (reader_ <= 0) {
        const int code = reader_;
        reader_ = 0;
        Check(code, "reader object");
    }
    // An answer from another bus address (a late one of another reader) is not this reader's.
    VELK_SetReaderPara(reader_, "CHKRECBUSADR", "1");
    if (options_.verbose) {
        VELK_SetCbPtr_ProtStr(PrintProtocolLine);
        VELK_SetReaderPara(reader_, "LogProt", "1");
    }
}

void KestraLink::SetLine(int baud, const std::string& frame) {
    SetPortPara("baud", std::to_string(baud));
    SetPortPara("frame", frame);
    options_.baud = baud;
    options_.frame = frame;
}

void KestraLink::SetPortPara(const std::string& key, const std::string& value) {
    const int result = SORN_SetPortPara(port_, key.c_str(), value.c_str());
    if (result == SORN_ERR_DISCONNECTED) {
        throw KestraError(kExitNoAnswer, DeviceName() + ": " + ErrorText(result) + " (" +
                                             std::to_string(result) + ")");
    }
    if (result != 0) {
        throw KestraError(kExitUsage, key + " " + value + ": " + ErrorText(result) + " (" +
                                          std::to_string(result) + ")");
    }
}

std::string KestraLink::PortPara(const std::string& key) const {
    char value[64] = {};
    SORN_GetPortPara(port_, key.c_str(), value);
    return value;
}

void KestraLink::Check(int result, const std::string& what) const {
    if (result == 0) {
        return;
    }
    if (result > 0) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", result & 0xFF);
        throw KestraError(kExitStatus, what + ": reader status " + hex + ": " + StatusText(result));
    }
    throw KestraError(kExitNoAnswer,
                      what + ": " + ErrorText(result) + " (" + std::to_string(result) + ")");
}

std::string KestraLink::ErrorText(int code) {
    char text[256] = {};
    if (LibraryOfCode(code) == CodeLibrary::kSerialPort) {
        SORN_GetErrorText(code, text);
    } else {
        VELK_GetErrorText(code, text);
    }
    return text;
}

std::string KestraLink::StatusText(int status) {
    char text[256] = {};
    VELK_GetStatusText(status, text);
    return text;
}
