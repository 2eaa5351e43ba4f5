#include "WkComPortSettings.h"

#include "WkLibraries.h"
#include "WkPrompts.h"
#include "common/ProfileFile.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kSections = 4;
constexpr std::size_t kValueBuffer = 8;
constexpr std::size_t kLineBuffer = 5;

struct Key {
    const char* settingsKey;
    const char* portKey;
    const char* defaultValue;
};

// The parameters in the order they are set and written.
constexpr Key kParameters[] = {
    {"Baud", "baud", "9600"},
    {"Frame", "frame", "8E1"},
    {"Timeout", "timeout", "800"},
    {"TxControl", "TxTimeControl", "1"},
    {"Performance", "Performance", "1"},
    {"TxDlyTime", "TxDelayTime", "10"},
    {"CTOMpy", "CharTimeoutMpy", "1"},
};

std::string SectionName(int n) {
    return std::to_string(n) + ".COMPort";
}

std::string WithCode(const char* format, const std::string& text, int code) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, text.c_str(), code);
    return buffer;
}

} // namespace

WkComPortSettings::WkComPortSettings(WkLibraries& libraries, WkPrompts& prompts)
    : libraries_(libraries), prompts_(prompts) {}

void WkComPortSettings::RestorePorts(const std::filesystem::path& settingsPath) {
    ProfileFile file(settingsPath);
    if (!file.Exists()) {
        prompts_.ShowMessage("Ini-File " + settingsPath.string() + " not found");
    }
    for (int n = 1; n <= kSections; ++n) {
        const std::string section = SectionName(n);
        const std::string port = file.Read(section, "COM", "None", kValueBuffer);
        if (port == "None" || libraries_.GetPortHandle(port) > 0) {
            continue;
        }
        const int handle = libraries_.OpenPort(port);
        if (handle <= 0) {
            prompts_.ShowMessage(
                WithCode("Error! Could not open COM-Port: %s\nErrorCode: %d", port, handle));
            continue;
        }
        int result = 0;
        for (const Key& key : kParameters) {
            result = libraries_.SetPortPara(
                handle, key.portKey,
                file.Read(section, key.settingsKey, key.defaultValue, kValueBuffer));
            if (result != 0) {
                break;
            }
        }
        if (result == 0 && file.Read(section, "DTR", "OFF", kLineBuffer) == "ON") {
            std::string on = "ON";
            result = libraries_.DoPortCommand(handle, "SetDTR", on);
        }
        if (result == 0 && file.Read(section, "RTS", "OFF", kLineBuffer) == "ON") {
            std::string on = "ON";
            result = libraries_.DoPortCommand(handle, "SetRTS", on);
        }
        if (result < 0) {
            libraries_.ClosePort(handle);
            prompts_.ShowMessage(
                WithCode("Error! Could not initialize COM-Port: %s\nErrorCode: %d", port, result));
        }
    }
}

void WkComPortSettings::SavePorts(const std::filesystem::path& settingsPath) {
    ProfileFile file(settingsPath);
    if (!file.Exists()) {
        prompts_.ShowMessage("Ini-File " + settingsPath.string() + " not found");
    }
    int port = libraries_.NextPort(0);
    for (int n = 1; n <= kSections; ++n) {
        const std::string section = SectionName(n);
        if (port <= 0) {
            file.Write(section, "COM", "None");
            for (const Key& key : kParameters) {
                file.Write(section, key.settingsKey, key.defaultValue);
                if (std::string(key.settingsKey) == "Timeout") {
                    file.Write(section, "CharTimeOut", "20");
                }
            }
            file.Write(section, "DTR", "OFF");
            file.Write(section, "RTS", "OFF");
            continue;
        }
        std::string number;
        libraries_.GetPortPara(port, "PortNr", number);
        std::string values[std::size(kParameters)];
        for (std::size_t i = 0; i < std::size(kParameters); ++i) {
            libraries_.GetPortPara(port, kParameters[i].portKey, values[i]);
        }
        std::string dtr;
        std::string rts;
        libraries_.DoPortCommand(port, "GetDTR", dtr);
        libraries_.DoPortCommand(port, "GetRTS", rts);
        const int next = libraries_.NextPort(port);
        libraries_.ClosePort(port);
        port = next;
        file.Write(section, "COM", number);
        for (std::size_t i = 0; i < std::size(kParameters); ++i) {
            file.Write(section, kParameters[i].settingsKey, values[i]);
        }
        file.Write(section, "DTR", dtr);
        file.Write(section, "RTS", rts);
    }
}
