#include "Reader.h"

#include "LogLine.h"
#include "ProtocolCallbacks.h"
#include "ReaderRegistry.h"
#include "VelkTexts.h"
#include "common/CodeLibrary.h"
#include "sorn.h"
#include "velk.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsOn(const char* value) {
    return std::strcmp(value, "1") == 0;
}

/// value as a whole decimal integer; false for anything else.
bool ParseDecimal(const char* value, long& out) {
    if (*value == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(value, &end, 10);
    return errno == 0 && *end == '\0';
}

void WriteFlag(char* value, bool on) {
    std::strcpy(value, on ? "1" : "0");
}

int CopyFrame(const unsigned char* record, char* prot, int hexFlag) {
    const int n = record[0];
    if (n == 0) {
        prot[0] = '\0';
        return 0;
    }
    if (hexFlag != 0) {
        for (int i = 0; i < n; ++i)
            std::snprintf(prot + 2 * i, 3, "%02X", record[i]);
    } else {
        std::memcpy(prot, record, static_cast<std::size_t>(n));
    }
    return n;
}

} // namespace

Reader::Reader(int handle, int portHandle) : handle_(handle), portHandle_(portHandle) {}

Reader::~Reader() = default;

int Reader::GetParameter(const std::string& key, char* value) {
    if (key == "PORTHND") {
        std::sprintf(value, "%d", std::max(PortHandle(), 0));
    } else if (key == "LOGPROT") {
        WriteFlag(value, logProt_);
    } else if (key == "SENDPROTTOAPP") {
        WriteFlag(value, sendProtToApp_);
    } else if (key == "REPCNT") {
        std::sprintf(value, "%d", repCnt_);
    } else if (key == "CHKRECBUSADR") {
        WriteFlag(value, chkRecBusAdr_);
    } else if (key == "CONVHEXTOSTRING") {
        WriteFlag(value, convHexToString_.load());
    } else if (key == "SENDSTR") {
        std::strcpy(value, sendLine_);
    } else if (key == "RECSTR") {
        std::strcpy(value, receiveLine_);
    } else if (key == "ERRCODE") {
        std::sprintf(value, "%d", lastError_);
    } else if (key == "ERRSTR") {
        if (LookUpErrorText(lastError_, value) != 0) {
            lastError_ = VELK_ERR_UNKNOWN_ERROR_CODE;
            return VELK_ERR_UNKNOWN_ERROR_CODE;
        }
    } else {
        lastError_ = VELK_ERR_UNKNOWN_PARAMETER;
        return VELK_ERR_UNKNOWN_PARAMETER;
    }
    return 0;
}

int Reader::SetParameter(const std::string& key, const char* value) {
    if (key == "PORTHND") {
        long port = 0;
        // A value that is no number counts as 0, as a plain decimal conversion gives it.
        if (!ParseDecimal(value, port))
            port = std::atol(value);
        if (port < 0 || port > 0x7FFFFFFF) {
            lastError_ = VELK_ERR_OUT_OF_RANGE;
            return VELK_ERR_OUT_OF_RANGE;
        }
        if (CheckSornVersion() != 0)
            return VELK_ERR_OLD_SORN;
        portHandle_.store(static_cast<int>(port));
    } else if (key == "LOGPROT") {
        logProt_ = IsOn(value);
    } else if (key == "SENDPROTTOAPP") {
        sendProtToApp_ = IsOn(value);
    } else if (key == "REPCNT") {
        long count = 0;
        if (!ParseDecimal(value, count) || count < 0 || count > 99) {
            lastError_ = VELK_ERR_OUT_OF_RANGE;
            return VELK_ERR_OUT_OF_RANGE;
        }
        repCnt_ = static_cast<int>(count);
    } else if (key == "CHKRECBUSADR") {
        chkRecBusAdr_ = IsOn(value);
    } else if (key == "CONVHEXTOSTRING") {
        convHexToString_.store(IsOn(value));
    } else {
        lastError_ = VELK_ERR_UNKNOWN_PARAMETER;
        return VELK_ERR_UNKNOWN_PARAMETER;
    }
    return 0;
}

int Reader::Build(int busAddress, int command, const unsigned char* data, int dataLength,
                  unsigned char* frame) {
    const int rc = BuildRequestFrame(busAddress, command, data, dataLength, frame);
    lastError_ = rc < 0 ? rc : 0;
    return rc;
}

int Reader::Check(const unsigned char* frame, int received, AnswerParts& parts) {
    const int rc = CheckAnswerFrame(frame, received, parts);
    lastError_ = rc < 0 ? rc : 0;
    return rc;
}

void Reader::WriteSendLine(const unsigned char* bytes, int count) {
    count = std::clamp(count, 0, kRecordSize - 1);
    std::memcpy(lastRequest_, bytes, static_cast<std::size_t>(count));
    lastRequest_[count] = 0;
    HexWithBlanks(bytes, count, hexRequest_, sizeof hexRequest_);
    LogLine line(sendLine_, sizeof sendLine_);
    line.Append("  >>  ");
    line.Append(hexRequest_);
    HandOverSendLine();
}

void Reader::StoreAnswer(const unsigned char* bytes, int count) {
    count = std::clamp(count, 0, kRecordSize - 1);
    std::lock_guard<std::mutex> lock(answerMutex_);
    std::memcpy(lastAnswer_, bytes, static_cast<std::size_t>(count));
    lastAnswer_[count] = 0;
    lastStatus_ = count > 3 ? bytes[3] : 0;
}

void Reader::WriteReceiveLine(const unsigned char* bytes, int count, int code) {
    if (count > 0)
        StoreAnswer(bytes, count);
    LogLine line(receiveLine_, sizeof receiveLine_);
    line.Append("  <<  ");
    if (code < 0) {
        line.Append("Error: ");
        line.AppendCode(code);
        if (LibraryOfCode(code) == CodeLibrary::kReader) {
            char text[128];
            WriteErrorText(code, text);
            line.Append("  ");
            line.Append(text);
        }
        if (count > 0)
            line.Append("  (");
    }
    if (count > 0) {
        line.AppendHexBytes(bytes, count);
        char text[128];
        // Looked up as VELK_GetStatusText does: an unknown status byte leaves
        // VELK_ERR_UNKNOWN_STATUS as the library last error.
        LookUpStatusText(LastStatus(), text);
        line.Append("  ");
        line.Append(text);
    }
    if (ReceiveLineHasSerialPortText(code)) {
        char text[128] = {};
        SORN_GetErrorText(code, text);
        text[sizeof text - 1] = '\0';
        line.Append("  ");
        line.Append(text);
    }
    if (code < 0 && count > 0)
        line.Append(")");
    HandOverLine(kChannelReceiveLine, receiveLine_, code);
}

void Reader::WriteErrorLine(int code) {
    if (!logProt_)
        return;
    LogLine line(errorLine_, sizeof errorLine_);
    line.Append("  !!  Error");
    line.AppendCode(code);
    char text[128] = {};
    if (LibraryOfCode(code) == CodeLibrary::kSerialPort) {
        SORN_GetErrorText(code, text);
        text[sizeof text - 1] = '\0';
        line.Append("  ");
        line.Append(text);
    } else if (LibraryOfCode(code) == CodeLibrary::kReader) {
        WriteErrorText(code, text);
        line.Append("  ");
        line.Append(text);
    }
    HandOverLine(kChannelErrorLine, errorLine_, code);
}

int Reader::LastSendProt(char* prot, int hexFlag) {
    lastError_ = 0;
    return CopyFrame(lastRequest_, prot, hexFlag);
}

int Reader::LastRecProt(char* prot, int hexFlag) {
    lastError_ = 0;
    std::lock_guard<std::mutex> lock(answerMutex_);
    return CopyFrame(lastAnswer_, prot, hexFlag);
}

std::uint8_t Reader::LastStatus() {
    std::lock_guard<std::mutex> lock(answerMutex_);
    return lastStatus_;
}

namespace {
std::atomic<void (*)()> gHandOverEntryHook{nullptr};
}

void Reader::SetHandOverEntryHook(void (*hook)()) {
    gHandOverEntryHook.store(hook);
}

bool Reader::BeginHandOver() {
    handOversRunning_.fetch_add(1);
    if (void (*hook)() = gHandOverEntryHook.load())
        hook();
    if (!handOverLocked_.load())
        return true;
    handOversRunning_.fetch_sub(1);
    return false;
}

// Every line reaches the application from here: the protocol callback and the handlers.
void Reader::HandOverSendLine() {
    if (logProt_ && BeginHandOver()) {
        if (VELK_PROT_CALLBACK callback = ProtocolCallback())
            callback(sendLine_, 0);
        handlers_.Deliver(kChannelSendLine, sendLine_, static_cast<int>(std::strlen(sendLine_)), 0);
        EndHandOver();
    }
    if (sendProtToApp_ && BeginHandOver()) {
        if (VELK_PROT_CALLBACK callback = SendProtocolCallback())
            callback(hexRequest_, 0);
        else
            handlers_.Deliver(kChannelHexRequest, hexRequest_,
                              static_cast<int>(std::strlen(hexRequest_)), 0);
        EndHandOver();
    }
}

void Reader::HandOverLine(int channel, const char* line, int code) {
    if (!logProt_ || !BeginHandOver())
        return;
    if (VELK_PROT_CALLBACK callback = ProtocolCallback())
        callback(line, code);
    handlers_.Deliver(channel, line, static_cast<int>(std::strlen(line)), code);
    EndHandOver();
}

void Reader::StoreScanData(const unsigned char* bytes, int count) {
    int length = std::min(count, kScanBufferSize);
    if (ConvHexToString()) {
        length =
            HexWithBlanks(bytes, length, reinterpret_cast<char*>(scanBuffer_), kScanBufferSize);
    } else {
        std::memcpy(scanBuffer_, bytes, static_cast<std::size_t>(length));
    }
    {
        const int kept = std::min(length, kRecordSize);
        std::lock_guard<std::mutex> lock(answerMutex_);
        std::memcpy(lastAnswer_, scanBuffer_, static_cast<std::size_t>(kept));
        if (kept < kRecordSize)
            lastAnswer_[kept] = 0;
    }
    handlers_.Deliver(kChannelScanData, reinterpret_cast<const char*>(scanBuffer_), length, length);
}
