#include "FrameCodec.h"

#include "velk.h"

#include <cstring>

std::uint8_t FrameChecksum(const unsigned char* bytes, int count) {
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}

int BuildRequestFrame(int busAddress, int command, const unsigned char* data, int dataLength,
                      unsigned char* frame) {
    if (dataLength < 0 || dataLength > kMaxRequestData)
        return VELK_ERR_OUT_OF_RANGE;
    const int length = dataLength + 4;
    frame[0] = static_cast<unsigned char>(length);
    frame[1] = static_cast<unsigned char>(busAddress & 0xFF);
    frame[2] = static_cast<unsigned char>(command & 0xFF);
    if (dataLength > 0)
        std::memcpy(frame + 3, data, static_cast<std::size_t>(dataLength));
    frame[length - 1] = FrameChecksum(frame, length - 1);
    frame[length] = 0;
    return length;
}

bool IsRequestFrame(const unsigned char* request, int length) {
    return length >= 4 && request[0] == length;
}

bool AnswersRequest(const unsigned char* request, int requestLength, const unsigned char* answer,
                    int count) {
    constexpr unsigned char kFirstBroadcastAddress = 254;
    return IsRequestFrame(request, requestLength) && count >= kMinAnswerLength &&
           answer[0] == count && FrameChecksum(answer, count) == 0 && answer[2] == request[2] &&
           (request[1] >= kFirstBroadcastAddress || answer[1] == request[1]);
}

int CheckAnswerFrame(const unsigned char* frame, int received, AnswerParts& parts) {
    if (received <= 0)
        return VELK_ERR_LENGTH;
    const int length = frame[0];
    if (length < kMinAnswerLength || length != (received & 0xFF))
        return VELK_ERR_LENGTH;
    if (frame[length - 1] != FrameChecksum(frame, length - 1))
        return VELK_ERR_CHECKSUM;
    parts.busAddress = frame[1];
    parts.command = frame[2];
    parts.status = frame[3];
    parts.data = frame + 4;
    parts.dataLength = length - kMinAnswerLength;
    return parts.status;
}
