// Exports of the frame builder and checker.
#include "ExportSupport.h"

#include <cstring>

extern "C" {

VELK_API int VELK_BuildProtocol(int handle, int busAddress, int command, const char* data,
                                int dataLength, unsigned char* frame) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {data, frame}, rc);
        if (reader == nullptr)
            return rc;
        return reader->Build(busAddress, command, reinterpret_cast<const unsigned char*>(data),
                             dataLength, frame);
    });
}

VELK_API int VELK_SplitProtocol(int handle, const unsigned char* frame, int frameLength,
                                unsigned char* busAddress, unsigned char* command, char* data,
                                unsigned char* dataLength) {
    return Guarded([&] {
        int rc = 0;
        const auto reader =
            CheckedReader(handle, {frame, busAddress, command, data, dataLength}, rc);
        if (reader == nullptr)
            return rc;
        AnswerParts parts;
        const int status = reader->Check(frame, frameLength, parts);
        if (status < 0)
            return status;
        *busAddress = parts.busAddress;
        *command = parts.command;
        *dataLength = static_cast<unsigned char>(parts.dataLength);
        std::memcpy(data, parts.data, static_cast<std::size_t>(parts.dataLength));
        data[parts.dataLength] = '\0';
        return status;
    });
}

} // extern "C"
