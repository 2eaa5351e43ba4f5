// The serial-port library as the answer-data fuzz target needs it: the version Velk accepts, and
// one scripted answer for the next exchange.
#include "FuzzSorn.h"
#include "sorn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
std::vector<unsigned char> gAnswer;
}

void fuzzsorn::SetAnswer(std::vector<unsigned char> answer) {
    gAnswer = std::move(answer);
}

extern "C" {

SORN_API int SORN_GetDLLVersion(char* version) {
    std::strcpy(version, "02.08.02");
    return 0;
}
SORN_API int SORN_GetPortPara(int, const char*, char* value) {
    std::strcpy(value, "200");
    return 0;
}
SORN_API int SORN_SetPortPara(int, const char*, const char*) {
    return 0;
}
SORN_API int SORN_DoPortCmd(int, const char*, char*) {
    return 0;
}
SORN_API int SORN_Transceive(int, const unsigned char*, int, unsigned char* receive,
                             int receiveSize) {
    const int n = std::min(static_cast<int>(gAnswer.size()), receiveSize);
    std::copy_n(gAnswer.begin(), n, receive);
    return n > 0 ? n : SORN_ERR_NOTHING_RECEIVED;
}
SORN_API int SORN_NextAnswer(int, unsigned char*, int) {
    return SORN_ERR_NOTHING_RECEIVED;
}
SORN_API int SORN_Transmit(int, const unsigned char*, int length) {
    return length;
}
SORN_API int SORN_Receive(int handle, unsigned char* buffer, int size) {
    return SORN_Transceive(handle, nullptr, 0, buffer, size);
}
SORN_API int SORN_GetErrorText(int code, char* text) {
    std::snprintf(text, 128, "serial error %d", code);
    return 0;
}

} // extern "C"
