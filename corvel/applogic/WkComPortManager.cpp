#include "WkComPortManager.h"

#include "Prompts.h"
#include "WkLibraries.h"
#include "common/NetworkAddress.h"
#include "common/ProfileFile.h"
#include "common/TimeStamp.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Values are read into buffers of 8 characters, the line keys into buffers of 5.
constexpr std::size_t kValueBuffer = 8;
constexpr std::size_t kLineBuffer = 5;

// One port parameter: its key in the serial-port library, its key in the settings file, its
// default, and the word that names it when the dialog's value is refused.
struct ParamKey {
    const char* sornKey;
    const char* settingsKey;
    const char* defaultValue;
    const char* refusedName;
    std::string WkPortParams::*field;
};

// The order in which parameters are set, on restore and in the dialog.
constexpr std::array<ParamKey, 7> kSetOrder = {{
    {"baud", "Baud", "9600", "Baudrate", &WkPortParams::baud},
    {"frame", "Frame", "8E1", "Frame", &WkPortParams::frame},
    {"timeout", "Timeout", "800", "Timeout", &WkPortParams::timeout},
    {"TxTimeControl", "TxControl", "1", "TxTimeControl", &WkPortParams::txTimeControl},
    {"Performance", "Performance", "1", "Performance", &WkPortParams::performance},
    {"TxDelayTime", "TxDlyTime", "10", "TxDelayTime", &WkPortParams::txDelayTime},
    {"CharTimeoutMpy", "CTOMpy", "1", "CharTimeoutMpy", &WkPortParams::charTimeoutMpy},
}};

std::string Format(const char* format, const std::string& text, int code) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, text.c_str(), code);
    return buffer;
}

int ParseNumber(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

} // namespace

WkComPortManager::WkComPortManager(WkLibraries& libraries, WkPortAccess& access, Prompts& prompts)
    : libraries_(libraries), access_(access), prompts_(prompts) {}

WkComPortManager::~WkComPortManager() = default;

std::string WkComPortManager::SectionName(int n) {
    return std::to_string(n) + ".COMPort";
}

void WkComPortManager::CheckSettingsFile(const std::filesystem::path& settingsPath) {
    if (!missingFileShown_ && !ProfileFile(settingsPath).Exists()) {
        missingFileShown_ = true;
        prompts_.ShowMessage("Ini-File " + settingsPath.string() + " not found");
    }
}

std::filesystem::path WkComPortManager::DefaultFallbackSettingsPath() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0) {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return base / "corvel" / "Corvel.ini";
}

void WkComPortManager::RestorePorts(const std::filesystem::path& settingsPath) {
    restoredFrom_ = settingsPath;
    if (!fallbackPath_.empty() && !ProfileFile(settingsPath).Exists() &&
        ProfileFile(fallbackPath_).Exists()) {
        restoredFrom_ = fallbackPath_;
    } else {
        CheckSettingsFile(settingsPath);
    }
    restored_ = true;
    ProfileFile file(restoredFrom_);
    file.Load();
    for (int n = 1; n <= kSectionCount; ++n) {
        const std::string section = SectionName(n);
        const std::string port = file.Get(section, "COM", "None", kValueBuffer);
        std::array<std::string, kSetOrder.size()> values;
        for (std::size_t i = 0; i < kSetOrder.size(); ++i) {
            values[i] = file.Get(section, kSetOrder[i].settingsKey, kSetOrder[i].defaultValue,
                                 kValueBuffer);
        }
        const std::string dtr = file.Get(section, "DTR", "OFF", kLineBuffer);
        const std::string rts = file.Get(section, "RTS", "OFF", kLineBuffer);
        if (port == "None" || libraries_.GetPortHandle(port) > 0) {
            continue;
        }
        // Until it is open and set up, the section is the only record of this port; a text
        // that names no port cannot be touched in the dialog and is kept as it stands.
        unrestored_[n - 1] = ParseNumber(port) > 0 ? ParseNumber(port) : kHighestPort + 1;
        const int handle = libraries_.OpenPort(port);
        if (handle <= 0) {
            prompts_.ShowMessage(
                Explained(Format("Error! Could not open COM-Port: %s\nErrorCode: %d", port, handle),
                          handle, port));
            continue;
        }
        int result = 0;
        for (std::size_t i = 0; i < kSetOrder.size() && result == 0; ++i) {
            result = libraries_.SetPortPara(handle, kSetOrder[i].sornKey, values[i]);
        }
        if (result == 0 && dtr == "ON") {
            std::string on = "ON";
            result = libraries_.DoPortCommand(handle, "SetDTR", on);
        }
        if (result == 0 && rts == "ON") {
            std::string on = "ON";
            result = libraries_.DoPortCommand(handle, "SetRTS", on);
        }
        if (result < 0) {
            libraries_.ClosePort(handle);
            prompts_.ShowMessage(Explained(
                Format("Error! Could not initialize COM-Port: %s\nErrorCode: %d", port, result),
                result, port));
            continue;
        }
        unrestored_[n - 1] = 0;
    }
}

std::string WkComPortManager::Explained(std::string message, int code, const std::string& number) {
    if (const std::string text = access_.SornErrorText(code); !text.empty()) {
        message += " (" + text + ")";
    }
    if (const std::string path = access_.DevicePath(number); !path.empty()) {
        message += "\nDevice: " + path;
    }
    return message;
}

std::string WkComPortManager::PortPara(int port, const std::string& key,
                                       const std::string& fallback) {
    std::string value;
    if (libraries_.GetPortPara(port, key, value) != 0) {
        return fallback;
    }
    return value;
}

void WkComPortManager::SavePorts(const std::filesystem::path& settingsPath) {
    if (!restored_) {
        return;
    }
    if (restoredFrom_ != fallbackPath_) {
        CheckSettingsFile(settingsPath);
    }
    std::vector<int> open;
    for (int port = libraries_.NextPort(0); port > 0; port = libraries_.NextPort(port)) {
        open.push_back(port);
    }
    std::set<int> openNumbers;
    for (int port : open) {
        openNumbers.insert(ParseNumber(PortPara(port, "PortNr", "")));
    }
    ProfileFile file(restoredFrom_);
    file.Load();
    auto next = open.begin();
    for (int n = 1; n <= kSectionCount; ++n) {
        const std::string section = SectionName(n);
        const int kept = unrestored_[n - 1];
        if (kept > 0 && !touched_.contains(kept) && !openNumbers.contains(kept)) {
            continue;
        }
        if (next == open.end()) {
            file.Set(section, "COM", "None");
            file.Set(section, "Baud", "9600");
            file.Set(section, "Frame", "8E1");
            file.Set(section, "Timeout", "800");
            file.Set(section, "CharTimeOut", "20");
            file.Set(section, "TxControl", "1");
            file.Set(section, "Performance", "1");
            file.Set(section, "TxDlyTime", "10");
            file.Set(section, "CTOMpy", "1");
            file.Set(section, "DTR", "OFF");
            file.Set(section, "RTS", "OFF");
            continue;
        }
        const int port = *next++;
        // A key the library does not answer is saved with its default, so that the next
        // start does not refuse the whole port over an empty value.
        const std::string number = PortPara(port, "PortNr", "None");
        std::array<std::string, kSetOrder.size()> values;
        for (std::size_t i = 0; i < kSetOrder.size(); ++i) {
            values[i] = PortPara(port, kSetOrder[i].sornKey, kSetOrder[i].defaultValue);
        }
        std::string dtr;
        if (libraries_.DoPortCommand(port, "GetDTR", dtr) != 0 || dtr.empty()) {
            dtr = "OFF";
        }
        std::string rts;
        if (libraries_.DoPortCommand(port, "GetRTS", rts) != 0 || rts.empty()) {
            rts = "OFF";
        }
        libraries_.ClosePort(port);

        file.Set(section, "COM", number);
        // The set chain's order is the section's key order.
        for (std::size_t i = 0; i < kSetOrder.size(); ++i) {
            file.Set(section, kSetOrder[i].settingsKey, values[i]);
        }
        file.Set(section, "DTR", dtr);
        file.Set(section, "RTS", rts);
    }
    WriteSettings(file, settingsPath);
}

void WkComPortManager::WriteSettings(ProfileFile& file, const std::filesystem::path& settingsPath) {
    if (restoredFrom_ == settingsPath ? file.Save() : file.SaveAs(settingsPath)) {
        return;
    }
    const int error = errno;
    bool kept = false;
    if (!fallbackPath_.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(fallbackPath_.parent_path(), ignored);
        kept = file.SaveAs(fallbackPath_);
    }
    if (kept && restoredFrom_ == fallbackPath_) {
        return; // the user heard of it when the fallback took over
    }
    std::string text = "Cannot write the settings file\n" + settingsPath.string() + "\n(" +
                       std::strerror(error) + ").";
    text += kept ? "\nThe ports are kept in\n" + fallbackPath_.string() +
                       "\nand read from there while the run folder has no " +
                       settingsPath.filename().string() + "."
                 : "\nThe ports of this run are not kept.";
    prompts_.ShowMessage(text);
}

int WkComPortManager::FindHandleByNumber(int number) {
    int handle = libraries_.NextPort(0);
    while (handle > 0) {
        std::string text;
        if (libraries_.GetPortPara(handle, "PortNr", text) == 0 && ParseNumber(text) == number) {
            return handle;
        }
        handle = libraries_.NextPort(handle);
    }
    return handle;
}

std::vector<int> WkComPortManager::DetectedPorts() {
    // An open port whose device is away stays in the list, so the port box and the
    // open-ports list agree and the port can be closed.
    std::set<int> open;
    for (int port = libraries_.NextPort(0); port > 0; port = libraries_.NextPort(port)) {
        open.insert(ParseNumber(PortPara(port, "PortNr", "")));
    }
    std::vector<int> numbers;
    for (int n = 1; n <= kHighestPort; ++n) {
        if (open.contains(n) || access_.DetectPort(n) == 0) {
            numbers.push_back(n);
        }
    }
    return numbers;
}

std::vector<std::string> WkComPortManager::OpenPortTexts() {
    std::vector<std::string> texts;
    for (int handle = libraries_.NextPort(0); handle > 0; handle = libraries_.NextPort(handle)) {
        texts.push_back("COM:" + PortPara(handle, "PortNr", ""));
    }
    if (texts.empty()) {
        texts.emplace_back("None");
    }
    return texts;
}

std::string WkComPortManager::PortBoxText(int number) {
    const std::string path = access_.DevicePath(std::to_string(number));
    return std::to_string(number) + (NetworkAddress::IsUrl(path) ? ": " + path : "");
}

int WkComPortManager::NumberOfPortBoxEntry(const std::string& entry) {
    return ParseNumber(entry.substr(0, entry.find(':')));
}

bool WkComPortManager::CarriesLines(int number) {
    if (const int port = FindHandleByNumber(number); port > 0) {
        return PortPara(port, "LineControl", "1") != "0";
    }
    const auto address = NetworkAddress::Parse(access_.DevicePath(std::to_string(number)));
    return !address || address->mode != NetworkAddress::Mode::Raw;
}

int WkComPortManager::NumberOfEntry(const std::string& entry) {
    constexpr std::string_view kPrefix = "COM:";
    if (!entry.starts_with(kPrefix)) {
        return 0;
    }
    return ParseNumber(entry.substr(kPrefix.size()));
}

void WkComPortManager::SetPortUsersSource(std::function<std::vector<WkPortUser>()> source) {
    users_ = std::move(source);
}

void WkComPortManager::SetAutoAnswerPortSource(std::function<int()> source) {
    autoAnswerPort_ = std::move(source);
}

std::vector<std::string> WkComPortManager::AssociationList(int number) {
    std::vector<std::string> texts;
    if (number > 0 && users_) {
        const std::vector<WkPortUser> users = users_();
        // Reader documents first, then protocol and macro editors, each in their own order.
        for (WkPortUser::Kind kind : {WkPortUser::Kind::Reader, WkPortUser::Kind::ProtocolEditor,
                                      WkPortUser::Kind::MacroEditor}) {
            for (const WkPortUser& user : users) {
                if (user.kind != kind) {
                    continue;
                }
                std::string handleText;
                if (libraries_.GetReaderPara(user.readerHandle, "porthnd", handleText) != 0) {
                    continue;
                }
                const int handle = ParseNumber(handleText);
                if (handle <= 0 || ParseNumber(PortPara(handle, "PortNr", "")) != number) {
                    continue;
                }
                if (kind == WkPortUser::Kind::Reader) {
                    char text[300];
                    std::snprintf(text, sizeof text, "BusAdr:%3d - %s", user.busAddress,
                                  user.name.c_str());
                    texts.emplace_back(text);
                } else {
                    texts.push_back((kind == WkPortUser::Kind::ProtocolEditor ? "ProtEdit - "
                                                                              : "MacroEdit - ") +
                                    user.name);
                }
            }
        }
    }
    if (number > 0 && autoAnswerPort_) {
        const int port = autoAnswerPort_();
        if (port > 0 && ParseNumber(PortPara(port, "PortNr", "")) == number) {
            texts.emplace_back("Auto Answer");
        }
    }
    if (texts.empty()) {
        texts.emplace_back("None");
    }
    return texts;
}

bool WkComPortManager::ApplyParameters(int port, const std::string& portText,
                                       const WkPortParams& params, std::string* refusedKey) {
    bool all = true;
    for (const ParamKey& key : kSetOrder) {
        const std::string& value = params.*key.field;
        const int result = libraries_.SetPortPara(port, key.sornKey, value);
        if (result < 0 && all) {
            all = false;
            char text[320];
            std::snprintf(text, sizeof text,
                          "Error! Could not initialize COM-Port %s with %s %s\nErrorCode: %d",
                          portText.c_str(), key.refusedName, value.c_str(), result);
            prompts_.ShowMessage(Explained(text, result, portText));
            if (refusedKey != nullptr) {
                *refusedKey = key.sornKey;
            }
        }
    }
    return all;
}

WkPortParams WkComPortManager::ReadParameters(int port) {
    WkPortParams params;
    for (const ParamKey& key : kSetOrder) {
        params.*key.field = PortPara(port, key.sornKey, params.*key.field);
    }
    params.charTimeout = PortPara(port, "chartimeout", params.charTimeout);
    return params;
}

WkLineStates WkComPortManager::LineStates(int port) {
    WkLineStates states;
    if (port <= 0) {
        return states;
    }
    auto isOn = [&](const char* command) {
        std::string value;
        libraries_.DoPortCommand(port, command, value);
        return value == "ON";
    };
    states.dtr = isOn("GetDTR");
    states.rts = isOn("GetRTS");
    states.cts = isOn("GetCTS");
    states.dsr = isOn("GetDSR");
    return states;
}

int WkComPortManager::SetLine(int port, const std::string& line, bool on) {
    std::string value = on ? "ON" : "OFF";
    return libraries_.DoPortCommand(port, "Set" + line, value);
}

bool WkComPortManager::Reconnects(int port) {
    return PortPara(port, "Reconnect", "1") == "1";
}

int WkComPortManager::SetReconnect(int port, bool on) {
    return libraries_.SetPortPara(port, "Reconnect", on ? "1" : "0");
}

void WkComPortManager::CheckConnections() {
    std::map<int, Connection> seen;
    for (int port = libraries_.NextPort(0); port > 0; port = libraries_.NextPort(port)) {
        Connection now;
        now.losses = ParseNumber(PortPara(port, "Losses", "0"));
        now.connected = PortPara(port, "Connected", "1") != "0";
        const auto before = connections_.find(port);
        const Connection last = before != connections_.end() ? before->second : Connection{};
        seen[port] = now;
        const std::string name = "COM " + PortPara(port, "PortNr", "?") + ": device ";
        // A loss and a return between two looks still tell both, once each.
        const bool lost = now.losses > last.losses || (!now.connected && last.connected);
        const bool back = now.connected && (lost || !last.connected);
        for (const bool reconnected : {false, true}) {
            if ((reconnected ? back : lost) && notice_) {
                char stamp[kTimeStampSize + 8] = {};
                MakeTimeStamp(stamp, true);
                const std::string text = name + (reconnected ? "reconnected" : "disconnected");
                notice_(port, reconnected, std::string(stamp) + "  " + text, text);
            }
        }
    }
    connections_ = std::move(seen);
}

void WkComPortManager::WatchLines(int port) {
    if (watchedPort_ > 0) {
        access_.DelLineHandler(watchedPort_, kCtsEvent, kCtsMessage);
        access_.DelLineHandler(watchedPort_, kDsrEvent, kDsrMessage);
    }
    watchedPort_ = 0;
    if (port > 0) {
        access_.AddLineHandler(port, kCtsEvent, kCtsMessage);
        access_.AddLineHandler(port, kDsrEvent, kDsrMessage);
        watchedPort_ = port;
    }
}

int WkComPortManager::OpenPort(const std::string& numberText, bool rts, bool dtr,
                               const WkPortParams& params, std::string* refusedKey) {
    const int handle = libraries_.OpenPort(numberText);
    if (handle <= 0) {
        prompts_.ShowMessage(Explained("Error! Could not open Port:" + numberText +
                                           "\nErrorCode: " + std::to_string(handle),
                                       handle, numberText));
        return 0;
    }
    if (rts) {
        SetLine(handle, "RTS", true);
    }
    if (dtr) {
        SetLine(handle, "DTR", true);
    }
    touched_.insert(ParseNumber(numberText));
    WatchLines(handle);
    libraries_.SetPortPara(handle, "Performance", params.performance);
    ApplyParameters(handle, numberText, params, refusedKey);
    return handle;
}

bool WkComPortManager::ClosePort(int number) {
    if (const std::vector<std::string> users = AssociationList(number); users.front() != "None") {
        std::string question =
            "All associated Files/Readers will be disconnected !\nDo you want to continue ?\n";
        for (const std::string& user : users) {
            question += "\n" + user;
        }
        if (!prompts_.AskYesNo(question)) {
            return false;
        }
    }
    const int handle = FindHandleByNumber(number);
    if (handle <= 0) {
        return true;
    }
    if (watchedPort_ == handle) {
        UnwatchLines();
    }
    const int result = libraries_.ClosePort(handle);
    if (result != 0) {
        prompts_.ShowMessage(Explained(Format("Error! Could not close Port: %s\nErrorCode: %d",
                                              std::to_string(number), result),
                                       result, std::to_string(number)));
        return false;
    }
    touched_.insert(number);
    return true;
}
