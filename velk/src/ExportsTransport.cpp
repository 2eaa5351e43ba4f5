// Exports of the raw transport, the protocol callbacks and the event handlers.
#include "ExportSupport.h"
#include "FrameCodec.h"
#include "ProtocolCallbacks.h"
#include "sorn.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

/// Appends the checksum when asked; returns the length to send, or VELK_ERR_OUT_OF_RANGE for a
/// negative one.
int WithChecksum(unsigned char* bytes, int length, int addChecksum) {
    if (length < 0)
        return VELK_ERR_OUT_OF_RANGE;
    if (addChecksum == 1) {
        bytes[length] = FrameChecksum(bytes, length);
        ++length;
    }
    return length;
}

/// The byte count logged after a transport call: the result, or for a failure the length byte
/// of a partial answer left in the buffer (never more than the buffer holds).
int LoggedCount(int result, const unsigned char* buffer, int size) {
    int count = result >= 0 ? result & 0xFF : buffer[0];
    return std::min(count, std::max(size, 0));
}

} // namespace

extern "C" {

VELK_API int VELK_SendTransparent(int handle, unsigned char* request, int length,
                                  unsigned char* answer, int answerSize, int addChecksum) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {request, answer}, rc);
        if (reader == nullptr)
            return rc;
        if (length < 0)
            return VELK_ERR_OUT_OF_RANGE;
        if (answerSize > 0)
            answer[0] = 0;
        if (answerSize > 1)
            answer[1] = 0;
        length = WithChecksum(request, length, addChecksum);
        reader->WriteSendLine(request, length);
        const int r = reader->TransceiveOwnAnswer(request, length & 0xFF, answer, answerSize);
        reader->WriteReceiveLine(answer, answerSize > 0 ? LoggedCount(r, answer, answerSize) : 0,
                                 r);
        reader->SetLastError(0);
        return r;
    });
}

VELK_API int VELK_Transmit(int handle, unsigned char* data, int length, int addChecksum) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {data}, rc);
        if (reader == nullptr)
            return rc;
        if (length < 0)
            return VELK_ERR_OUT_OF_RANGE;
        length = WithChecksum(data, length, addChecksum);
        reader->WriteSendLine(data, length);
        const int r = SORN_Transmit(reader->PortHandle(), data, length);
        reader->SetLastError(0);
        return r;
    });
}

VELK_API int VELK_Receive(int handle, unsigned char* buffer, int size) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {buffer}, rc);
        if (reader == nullptr)
            return rc;
        if (size > 0)
            buffer[0] = 0;
        if (size > 1)
            buffer[1] = 0;
        const int r = SORN_Receive(reader->PortHandle(), buffer, size);
        reader->WriteReceiveLine(buffer, size > 0 ? LoggedCount(r, buffer, size) : 0, r);
        reader->SetLastError(0);
        return r;
    });
}

VELK_API void VELK_SetCbPtr(const char* key, VELK_PROT_CALLBACK callback) {
    if (key == nullptr) {
        ReaderRegistry::Instance().SetLibraryLastError(VELK_ERR_NULL_POINTER);
        return;
    }
    std::string upper(key);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "SENDPROTTOAPP")
        SetSendProtocolCallback(callback);
}

VELK_API void VELK_SetCbPtr_ProtStr(VELK_PROT_CALLBACK callback) {
    SetProtocolCallback(callback);
}

VELK_API int VELK_AddEventHandler(int handle, const VELK_EVENT_HANDLER* handler) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {handler}, rc);
        if (reader == nullptr)
            return rc;
        reader->SetLastError(0);
        if (handler->method < 1 || handler->method > 5) {
            reader->SetLastError(VELK_ERR_UNKNOWN_PARAMETER);
            return VELK_ERR_UNKNOWN_PARAMETER;
        }
        if (reader->Handlers().Contains(*handler))
            return 0;
        const VELK_EVENT_HANDLER copy = EventHandlerList::MakeCopy(*handler);
        if (copy.event == 4 && !StartScanThread(*reader)) {
            reader->SetLastError(VELK_ERR_NO_MEMORY);
            return VELK_ERR_NO_MEMORY;
        }
        reader->Handlers().Append(copy);
        return 0;
    });
}

VELK_API int VELK_DelEventHandler(int handle, const VELK_EVENT_HANDLER* handler) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {handler}, rc);
        if (reader == nullptr)
            return rc;
        reader->SetLastError(0);
        if (!reader->Handlers().Remove(*handler)) {
            reader->SetLastError(VELK_ERR_UNKNOWN_PARAMETER);
            return VELK_ERR_UNKNOWN_PARAMETER;
        }
        if (handler->event == 4)
            StopScanThread(*reader);
        return 0;
    });
}

} // extern "C"
