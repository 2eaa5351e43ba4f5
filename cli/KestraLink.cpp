#include "KestraLink.h"

#include "KestraError.h"
#include "sorn.h"
#include "velk.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

// A device given by path takes the last number of the map for this run.
constexpr int kDevicePort = 256;

// The map file and its folder once more, for the signal handler, which may only make plain
// system calls.
char gMapFile[4096];
char gMapDir[4096];

void RemoveMap() {
    if (gMapFile[0] != '\0') {
        ::unlink(gMapFile);
    }
    if (gMapDir[0] != '\0') {
        ::rmdir(gMapDir);
    }
}

void RemoveMapAndEnd(int signal) {
    RemoveMap();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

bool Remember(char (&into)[4096], const std::string& path) {
    if (path.size() >= sizeof into) {
        return false;
    }
    std::memcpy(into, path.c_str(), path.size() + 1);
    return true;
}

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
    if (options_.device.empty()) {
        return;
    }
    // The serial library reads the port map from the file SORN_PORTS names. The map lives in
    // a folder made fresh for this run (mode 0700): a folder or link another user prepared
    // under a name known in advance is never used.
    std::error_code error;
    std::string folder = (std::filesystem::temp_directory_path(error) / "kestra-XXXXXX").string();
    if (error) {
        folder = "/tmp/kestra-XXXXXX";
    }
    if (::mkdtemp(folder.data()) == nullptr) {
        throw KestraError(kExitUsage, "cannot make a private folder for the port map: " +
                                          std::string(std::strerror(errno)));
    }
    mapDir_ = folder;
    const std::string file = mapDir_ + "/ports";
    if (Remember(gMapDir, mapDir_) && Remember(gMapFile, file)) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, RemoveMapAndEnd);
        }
    }
    const std::string line = std::to_string(kDevicePort) + "=" + options_.device + "\n";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written =
        fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    written = fd >= 0 && ::close(fd) == 0 && written;
    if (!written) {
        RemoveMap();
        throw KestraError(kExitUsage, "cannot write the port map in " + mapDir_);
    }
    setenv("SORN_PORTS", file.c_str(), 1);
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
        RemoveMap();
        gMapFile[0] = '\0';
        gMapDir[0] = '\0';
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

void KestraLink::SetPortPara(const std::string& key, const std::string& value) {
    const int result = SORN_SetPortPara(port_, key.c_str(), value.c_str());
    if (result == kDeviceGone) {
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
