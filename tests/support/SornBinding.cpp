#include "SornBinding.h"

#include "sorn.h"

#include <cctype>
#include <mutex>

namespace {

// The listener the binding last handed to the library, for events a test makes up.
std::mutex gListenerMutex;
WkPortAccess::LineListener gListener;

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

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

int SornBinding::SetPortPara(int port, const std::string& key, const std::string& value) {
    setCalls.push_back(key + "=" + value);
    return WkLinkedLibraries::SetPortPara(port, key, value);
}

void SornBinding::SetLineListener(LineListener listener) {
    WkLinkedLibraries::SetLineListener(listener);
    std::lock_guard lock(gListenerMutex);
    gListener = std::move(listener);
}

void SornBinding::EmitLineEvent(int port, int event, int message, int state) {
    std::lock_guard lock(gListenerMutex);
    if (gListener) {
        gListener(port, event, message, state);
    }
}

void SornBinding::CloseAllPorts() {
    for (int handle = SORN_GetPortList(0); handle > 0; handle = SORN_GetPortList(0)) {
        SORN_ClosePort(handle);
    }
}
