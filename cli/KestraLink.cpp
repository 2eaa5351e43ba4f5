#include "KestraLink.h"

#include "KestraError.h"
#include "sorn.h"
#include "velk.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

// A device given by path takes the last number of the map for this run.
constexpr int kDevicePort = 256;

// The reader library's protocol lines carry their own time stamp.
void PrintProtocolLine(const char* text, int /*code*/) {
    std::fprintf(stderr, "%s\n", text ? text : "");
}

} // namespace

KestraLink::KestraLink(KestraLinkOptions options) : options_(std::move(options)) {
    if (options_.device.empty()) {
        return;
    }
    // The port map is read from the file SORN_PORTS names; a map of our own holds the device.
    std::error_code error;
    mapDir_ = std::filesystem::temp_directory_path(error) / ("kestra-" + std::to_string(getpid()));
    std::filesystem::create_directories(mapDir_, error);
    std::ofstream map(mapDir_ / "ports");
    map << kDevicePort << '=' << options_.device << '\n';
    if (!map.flush()) {
        throw KestraError(kExitUsage, "cannot write a port map in " + mapDir_.string());
    }
    setenv("SORN_PORTS", (mapDir_ / "ports").c_str(), 1);
    options_.port = kDevicePort;
}

KestraLink::~KestraLink() {
    if (reader_ > 0) {
        VELK_DeleteReader(reader_);
    }
    if (port_ > 0) {
        SORN_ClosePort(port_);
    }
    if (!mapDir_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(mapDir_, error);
    }
    VELK_SetCbPtr_ProtStr(nullptr);
}

std::string KestraLink::PortName() const {
    return std::to_string(options_.port);
}

void KestraLink::Open() {
    if (options_.port < 1 || options_.port > 256) {
        throw KestraError(kExitUsage, "no port: give --port 1..256 or --device PATH");
    }
    port_ = SORN_OpenPort(PortName().c_str());
    if (port_ <= 0) {
        const int code = port_;
        port_ = 0;
        const std::string where = options_.device.empty() ? "port " + PortName() : options_.device;
        throw KestraError(kExitNoAnswer, "cannot open " + where + ": " + ErrorText(code) + " (" +
                                             std::to_string(code) + ")");
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
    if (options_.verbose) {
        VELK_SetCbPtr_ProtStr(PrintProtocolLine);
        VELK_SetReaderPara(reader_, "LogProt", "1");
    }
}

void KestraLink::SetPortPara(const std::string& key, const std::string& value) {
    const int result = SORN_SetPortPara(port_, key.c_str(), value.c_str());
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
    if (code <= -1000 && code > -2000) {
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
