#include "SornBinding.h"

#include "sorn.h"

#include <cctype>

namespace {

std::mutex gListenerMutex;
WkPortAccess::LineListener gListener;

void LineEvent(int handle, int event, int message, int state) {
    std::lock_guard lock(gListenerMutex);
    if (gListener) {
        gListener(handle, event, message, state);
    }
}

SORN_EVENT_HANDLER Record(int event, int message) {
    return SORN_EVENT_HANDLER{event, message, SORN_MODE_CALLBACK,
                              reinterpret_cast<intptr_t>(&LineEvent)};
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

SornBinding::SornBinding() = default;

SornBinding::~SornBinding() {
    SetLineListener(nullptr);
}

int SornBinding::NewReader(int) {
    readerParams[nextReader_];
    return nextReader_++;
}

int SornBinding::SetReaderPara(int reader, const std::string& key, const std::string& value) {
    readerParams[reader][Lower(key)] = value;
    return 0;
}

int SornBinding::GetReaderPara(int reader, const std::string& key, std::string& value) {
    auto r = readerParams.find(reader);
    if (r == readerParams.end()) {
        return -2001;
    }
    auto k = r->second.find(Lower(key));
    if (k == r->second.end()) {
        return -2002;
    }
    value = k->second;
    return 0;
}

std::string SornBinding::SornVersion() {
    char text[256] = {};
    SORN_GetDLLVersion(text);
    return text;
}

int SornBinding::NextPort(int portHandle) {
    return SORN_GetPortList(portHandle);
}

int SornBinding::GetPortPara(int port, const std::string& key, std::string& value) {
    char text[64] = {};
    const int result = SORN_GetPortPara(port, key.c_str(), text);
    value = text;
    return result;
}

int SornBinding::SetPortPara(int port, const std::string& key, const std::string& value) {
    setCalls.push_back(key + "=" + value);
    return SORN_SetPortPara(port, key.c_str(), value.c_str());
}

int SornBinding::GetPortHandle(const std::string& portNumber) {
    return SORN_GetPortHnd(portNumber.c_str());
}

int SornBinding::OpenPort(const std::string& portNumber) {
    return SORN_OpenPort(portNumber.c_str());
}

int SornBinding::ClosePort(int port) {
    return SORN_ClosePort(port);
}

int SornBinding::DoPortCommand(int port, const std::string& command, std::string& value) {
    char text[64] = {};
    value.copy(text, sizeof text - 1);
    const int result = SORN_DoPortCmd(port, command.c_str(), text);
    if (command.starts_with("Get")) {
        value = text;
    }
    return result;
}

int SornBinding::DetectPort(int number) {
    return SORN_DetectPort(number);
}

int SornBinding::Receive(int port, unsigned char* buffer, int size) {
    return SORN_Receive(port, buffer, size);
}

int SornBinding::AddLineHandler(int port, int event, int message) {
    const SORN_EVENT_HANDLER record = Record(event, message);
    return SORN_AddEventHandler(port, &record);
}

int SornBinding::DelLineHandler(int port, int event, int message) {
    const SORN_EVENT_HANDLER record = Record(event, message);
    return SORN_DelEventHandler(port, &record);
}

void SornBinding::SetLineListener(LineListener listener) {
    std::lock_guard lock(gListenerMutex);
    gListener = std::move(listener);
}

void SornBinding::EmitLineEvent(int port, int event, int message, int state) {
    LineEvent(port, event, message, state);
}

void SornBinding::CloseAllPorts() {
    for (int handle = SORN_GetPortList(0); handle > 0; handle = SORN_GetPortList(0)) {
        SORN_ClosePort(handle);
    }
}
