#include "FakeSorn.h"

#include "sorn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace fakesorn {
namespace {

struct Scripted {
    int result = 0;
    Bytes bytes;
};

struct State {
    std::mutex mutex;
    std::string version = "02.08.02";
    std::deque<Scripted> transceive;
    std::deque<Scripted> nextAnswer;
    int nextAnswerCalls = 0;
    std::deque<Scripted> receive;
    int transmitResult = 0;
    std::vector<SentFrame> transceived;
    std::vector<SentFrame> transmitted;
    std::vector<std::string> portCalls;
    std::string timeout = "800";
    int receiveCalls = 0;
};

// Constructed when the library loads, so it outlives the readers of the library under test,
// whose scan threads may still call in while that library unloads.
State gState;

State& S() {
    return gState;
}

// The next scripted answer of `script` into the caller's buffer; -1030 without a script.
int Next(std::deque<Scripted>& script, unsigned char* receive, int receiveSize) {
    if (script.empty())
        return SORN_ERR_NOTHING_RECEIVED;
    const Scripted next = script.front();
    script.pop_front();
    const std::size_t n = std::min(next.bytes.size(), static_cast<std::size_t>(receiveSize));
    std::copy_n(next.bytes.begin(), n, receive);
    return next.result;
}

} // namespace

void Reset() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.version = "02.08.02";
    s.transceive.clear();
    s.nextAnswer.clear();
    s.nextAnswerCalls = 0;
    s.receive.clear();
    s.transmitResult = 0;
    s.transceived.clear();
    s.transmitted.clear();
    s.portCalls.clear();
    s.timeout = "800";
    s.receiveCalls = 0;
}

void SetVersion(const std::string& version) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().version = version;
}

void QueueAnswer(const Bytes& bytes) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().transceive.push_back({static_cast<int>(bytes.size()), bytes});
}

void QueueTransceiveResult(int result, const Bytes& partial) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().transceive.push_back({result, partial});
}

void QueueNextAnswer(const Bytes& bytes) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().nextAnswer.push_back({static_cast<int>(bytes.size()), bytes});
}

int NextAnswerCalls() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().nextAnswerCalls;
}

void QueueReceive(const Bytes& bytes) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().receive.push_back({static_cast<int>(bytes.size()), bytes});
}

void QueueReceiveResult(int result) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().receive.push_back({result, {}});
}

void SetTransmitResult(int result) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().transmitResult = result;
}

std::vector<SentFrame> Transceived() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().transceived;
}

std::vector<SentFrame> Transmitted() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().transmitted;
}

std::vector<std::string> PortCalls() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().portCalls;
}

int ReceiveCalls() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().receiveCalls;
}

std::string ErrorText(int code) {
    return "FAKESORN: error " + std::to_string(code);
}

} // namespace fakesorn

using fakesorn::S;

extern "C" {

SORN_API int SORN_GetDLLVersion(char* version) {
    std::lock_guard<std::mutex> lock(S().mutex);
    std::strcpy(version, S().version.c_str());
    return 0;
}

SORN_API int SORN_DetectPort(int) {
    return 0;
}
SORN_API int SORN_OpenPort(const char*) {
    return 1;
}
SORN_API int SORN_ClosePort(int) {
    return 0;
}
SORN_API int SORN_GetPortHnd(const char*) {
    return 1;
}
SORN_API int SORN_GetPortList(int) {
    return 0;
}

SORN_API int SORN_GetPortPara(int, const char* key, char* value) {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (std::strcmp(key, "Timeout") == 0)
        std::strcpy(value, S().timeout.c_str());
    else
        std::strcpy(value, "0");
    return 0;
}

SORN_API int SORN_SetPortPara(int, const char* key, const char* value) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().portCalls.push_back(std::string(key) + "=" + value);
    if (std::strcmp(key, "Timeout") == 0)
        S().timeout = value;
    return 0;
}

SORN_API int SORN_DoPortCmd(int, const char* command, char*) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().portCalls.push_back(command);
    return 0;
}

SORN_API int SORN_Transceive(int handle, const unsigned char* send, int sendLength,
                             unsigned char* receive, int receiveSize) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().transceived.push_back(
        {handle, fakesorn::Bytes(send, send + sendLength), std::chrono::steady_clock::now()});
    return fakesorn::Next(S().transceive, receive, receiveSize);
}

SORN_API int SORN_NextAnswer(int, unsigned char* receive, int receiveSize) {
    std::lock_guard<std::mutex> lock(S().mutex);
    ++S().nextAnswerCalls;
    return fakesorn::Next(S().nextAnswer, receive, receiveSize);
}

SORN_API int SORN_Transmit(int handle, const unsigned char* data, int length) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().transmitted.push_back(
        {handle, fakesorn::Bytes(data, data + length), std::chrono::steady_clock::now()});
    return S().transmitResult;
}

SORN_API int SORN_Receive(int, unsigned char* buffer, int size) {
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        ++S().receiveCalls;
        if (!S().receive.empty()) {
            const fakesorn::Scripted next = S().receive.front();
            S().receive.pop_front();
            const std::size_t n = std::min(next.bytes.size(), static_cast<std::size_t>(size));
            std::copy_n(next.bytes.begin(), n, buffer);
            return next.result;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return SORN_ERR_NOTHING_RECEIVED;
}

SORN_API int SORN_GetErrorText(int code, char* text) {
    std::snprintf(text, 128, "%s", fakesorn::ErrorText(code).c_str());
    return 0;
}

SORN_API int SORN_AddEventHandler(int, const SORN_EVENT_HANDLER*) {
    return 0;
}
SORN_API int SORN_DelEventHandler(int, const SORN_EVENT_HANDLER*) {
    return 0;
}

} // extern "C"
