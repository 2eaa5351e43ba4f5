#include "FakeSorn.h"

#include "sorn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

namespace fakesorn {
namespace {

struct Step {
    Bytes frame;
    int code = 0;
};

std::deque<Step> g_script;
std::vector<Bytes> g_requests;

} // namespace

void Reset() {
    g_script.clear();
    g_requests.clear();
}

void QueueAnswer(const Bytes& frame) {
    g_script.push_back(Step{frame, 0});
}

void QueueResult(int code) {
    g_script.push_back(Step{{}, code});
}

const std::vector<Bytes>& Requests() {
    return g_requests;
}

} // namespace fakesorn

extern "C" {

int SORN_GetDLLVersion(char* version) {
    if (version == nullptr) {
        return -1006;
    }
    std::strcpy(version, "02.01.00");
    return 0;
}

int SORN_GetErrorText(int code, char* text) {
    if (text == nullptr) {
        return -1006;
    }
    std::snprintf(text, 128, "fake serial-port error %d", code);
    return 0;
}

int SORN_GetPortPara(int, const char*, char* value) {
    if (value == nullptr) {
        return -1006;
    }
    std::strcpy(value, "200");
    return 0;
}

int SORN_SetPortPara(int, const char*, const char*) {
    return 0;
}

int SORN_DoPortCmd(int, const char*, char* value) {
    if (value != nullptr) {
        value[0] = '\0';
    }
    return 0;
}

int SORN_Transceive(int, const unsigned char* send, int sendLength, unsigned char* receive,
                    int receiveSize) {
    fakesorn::g_requests.emplace_back(send, send + sendLength);
    if (fakesorn::g_script.empty()) {
        return SORN_ERR_NOTHING_RECEIVED;
    }
    const fakesorn::Step step = fakesorn::g_script.front();
    fakesorn::g_script.pop_front();
    if (step.frame.empty()) {
        return step.code;
    }
    const int count = std::min(static_cast<int>(step.frame.size()), receiveSize);
    std::memcpy(receive, step.frame.data(), static_cast<std::size_t>(count));
    return count;
}

int SORN_NextAnswer(int, unsigned char*, int) {
    return SORN_ERR_NOTHING_RECEIVED;
}

int SORN_Transmit(int, const unsigned char*, int length) {
    return length;
}

int SORN_Receive(int, unsigned char*, int) {
    return SORN_ERR_NOTHING_RECEIVED;
}

} // extern "C"
