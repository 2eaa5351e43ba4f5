#include "VelkTestSupport.h"

#include <regex>

namespace {

std::mutex gLinesMutex;
std::vector<HandedLine> gLines;
std::vector<HandedLine> gSendProtLines;

} // namespace

void DeleteAllReaders() {
    std::vector<int> handles;
    for (int h = VELK_GetReaderList(0); h > 0; h = VELK_GetReaderList(h))
        handles.push_back(h);
    for (int h : handles)
        VELK_DeleteReader(h);
}

void VelkTest::SetUp() {
    fakesorn::Reset();
    DeleteAllReaders();
    VELK_SetCbPtr_ProtStr(nullptr);
    VELK_SetCbPtr("SENDPROTTOAPP", nullptr);
    VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", "");
    std::lock_guard<std::mutex> lock(gLinesMutex);
    gLines.clear();
    gSendProtLines.clear();
}

void VelkTest::TearDown() {
    DeleteAllReaders();
    VELK_SetCbPtr_ProtStr(nullptr);
    VELK_SetCbPtr("SENDPROTTOAPP", nullptr);
}

int VelkTest::NewReader(int port) {
    const int handle = VELK_NewReader(port);
    EXPECT_GT(handle, 0);
    return handle;
}

void VelkTest::LogTo(int reader) {
    ASSERT_EQ(VELK_SetReaderPara(reader, "LogProt", "1"), 0);
    VELK_SetCbPtr_ProtStr(&VelkTest::RecordLine);
}

std::vector<HandedLine> VelkTest::Lines() {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    return gLines;
}

std::vector<HandedLine> VelkTest::SendProtLines() {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    return gSendProtLines;
}

void VelkTest::RecordLine(const char* text, int code) {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    gLines.push_back({text, code});
}

void VelkTest::RecordSendProt(const char* text, int code) {
    std::lock_guard<std::mutex> lock(gLinesMutex);
    gSendProtLines.push_back({text, code});
}

std::string VelkTest::Para(int reader, const char* key) {
    char value[1024] = {};
    EXPECT_EQ(VELK_GetReaderPara(reader, key, value), 0) << key;
    return value;
}

int VelkTest::LibraryError() {
    int code = 1;
    char text[128];
    VELK_GetLastError(0, &code, text);
    return code;
}

int VelkTest::ReaderError(int reader) {
    int code = 1;
    char text[128];
    EXPECT_GE(VELK_GetLastError(reader, &code, text), -2053);
    return code;
}

std::string WithoutStamp(const std::string& line) {
    static const std::regex stamp(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d)");
    EXPECT_TRUE(std::regex_search(line, stamp)) << line;
    return line.size() >= 21 ? line.substr(21) : std::string();
}

std::string Spaced(const Bytes& bytes) {
    std::string text;
    char pair[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        text += pair;
    }
    return text;
}
