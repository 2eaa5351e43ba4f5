#include "WkLinkedLibraries.h"

#include "common/CodeLibrary.h"
#include "sorn.h"
#include "velk.h"

#include <array>
#include <cstring>
#include <mutex>

namespace {

// Value buffers are larger than any value the libraries write (1024 for Velk's lines).
constexpr std::size_t kValueSize = 1024;

std::array<char, kValueSize> BufferWith(const std::string& value) {
    std::array<char, kValueSize> buffer{};
    std::strncpy(buffer.data(), value.c_str(), kValueSize - 1);
    return buffer;
}

// Line events of Sorn's polling thread go to the one listener the program has (the COM-Port
// dialog's); the lock lets SetLineListener wait for a call in progress.
std::mutex gLineMutex;
WkPortAccess::LineListener gLineListener;

void OnLineEvent(int handle, int event, int message, int state) {
    std::lock_guard lock(gLineMutex);
    if (gLineListener) {
        gLineListener(handle, event, message, state);
    }
}

SORN_EVENT_HANDLER LineRecord(int event, int message) {
    return SORN_EVENT_HANDLER{event, message, SORN_MODE_CALLBACK,
                              reinterpret_cast<intptr_t>(&OnLineEvent)};
}

} // namespace

std::string WkLinkedLibraries::VelkVersion() {
    std::array<char, 256> version{};
    VELK_GetDLLVersion(version.data());
    return version.data();
}

int WkLinkedLibraries::NewReader(int portHandle) {
    return VELK_NewReader(portHandle);
}

int WkLinkedLibraries::SetReaderPara(int reader, const std::string& key, const std::string& value) {
    return VELK_SetReaderPara(reader, key.c_str(), value.c_str());
}

int WkLinkedLibraries::GetReaderPara(int reader, const std::string& key, std::string& value) {
    auto buffer = BufferWith(value);
    int result = VELK_GetReaderPara(reader, key.c_str(), buffer.data());
    buffer.back() = '\0';
    value = buffer.data();
    return result;
}

void WkLinkedLibraries::SetProtocolCallback(WkProtocolCallback callback) {
    VELK_SetCbPtr_ProtStr(callback);
}

int WkLinkedLibraries::SendTransparent(int reader, unsigned char* request, int length,
                                       unsigned char* answer, int answerSize, int addChecksum) {
    return VELK_SendTransparent(reader, request, length, answer, answerSize, addChecksum);
}

std::string WkLinkedLibraries::ErrorText(int code) {
    // Both libraries write at most 128 bytes.
    std::array<char, 256> text{};
    if (LibraryOfCode(code) == CodeLibrary::kSerialPort) {
        SORN_GetErrorText(code, text.data());
    } else {
        VELK_GetErrorText(code, text.data());
    }
    text.back() = '\0';
    return text.data();
}

std::string WkLinkedLibraries::SornVersion() {
    std::array<char, 256> version{};
    SORN_GetDLLVersion(version.data());
    version.back() = '\0';
    return version.data();
}

int WkLinkedLibraries::NextPort(int portHandle) {
    return SORN_GetPortList(portHandle);
}

int WkLinkedLibraries::GetPortPara(int port, const std::string& key, std::string& value) {
    std::array<char, kValueSize> buffer{};
    int result = SORN_GetPortPara(port, key.c_str(), buffer.data());
    buffer.back() = '\0';
    value = buffer.data();
    return result;
}

int WkLinkedLibraries::SetPortPara(int port, const std::string& key, const std::string& value) {
    return SORN_SetPortPara(port, key.c_str(), value.c_str());
}

int WkLinkedLibraries::GetPortHandle(const std::string& portNumber) {
    return SORN_GetPortHnd(portNumber.c_str());
}

int WkLinkedLibraries::OpenPort(const std::string& portNumber) {
    return SORN_OpenPort(portNumber.c_str());
}

int WkLinkedLibraries::ClosePort(int port) {
    return SORN_ClosePort(port);
}

int WkLinkedLibraries::DoPortCommand(int port, const std::string& command, std::string& value) {
    auto buffer = BufferWith(value);
    int result = SORN_DoPortCmd(port, command.c_str(), buffer.data());
    buffer.back() = '\0';
    value = buffer.data();
    return result;
}

int WkLinkedLibraries::DetectPort(int number) {
    return SORN_DetectPort(number);
}

std::string WkLinkedLibraries::SornErrorText(int code) {
    char text[128] = {};
    return SORN_GetErrorText(code, text) == 0 ? text : "";
}

std::string WkLinkedLibraries::DevicePath(const std::string& number) {
    char path[1024] = {};
    return SORN_GetDevicePath(number.c_str(), path, sizeof path) == 0 ? path : "";
}

int WkLinkedLibraries::Receive(int port, unsigned char* buffer, int size) {
    return SORN_Receive(port, buffer, size);
}

int WkLinkedLibraries::AddLineHandler(int port, int event, int message) {
    const SORN_EVENT_HANDLER record = LineRecord(event, message);
    return SORN_AddEventHandler(port, &record);
}

int WkLinkedLibraries::DelLineHandler(int port, int event, int message) {
    const SORN_EVENT_HANDLER record = LineRecord(event, message);
    return SORN_DelEventHandler(port, &record);
}

void WkLinkedLibraries::SetLineListener(LineListener listener) {
    std::lock_guard lock(gLineMutex);
    gLineListener = std::move(listener);
}
