// The exchange procedure shared by every reader command.
#include "Reader.h"
#include "ReaderRegistry.h"
#include "sorn.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kAnswerBufferSize = 256;
constexpr int kStatusNoTransponder = 0x01;

} // namespace

int Reader::Exchange(const CommandRequest& request, CommandAnswer& answer) {
    unsigned char frame[kMaxRequestData + 5] = {};
    const int length =
        Build(request.busAddress, request.command, request.data, request.dataLength, frame);
    if (length < 0) {
        WriteErrorLine(length);
        return length;
    }
    const int attempts = request.repeatOnNoTransponder ? repCnt_ + 1 : 1;
    int rc = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        rc = AttemptExchange(request, frame, length, answer);
        if (rc != kStatusNoTransponder || !request.repeatOnNoTransponder)
            break;
    }
    return rc;
}

int Reader::AttemptExchange(const CommandRequest& request, const unsigned char* frame, int length,
                            CommandAnswer& answer) {
    EepromPacer& pacer = ReaderRegistry::Instance().Pacer();
    if (request.paced)
        pacer.WaitBeforeWrite();
    WriteSendLine(frame, length);

    unsigned char received[kAnswerBufferSize] = {};
    const int r = SORN_Transceive(PortHandle(), frame, length, received, kAnswerBufferSize);
    if (request.paced)
        pacer.MarkExchangeEnd();
    if (r <= 0) {
        lastError_ = r;
        WriteErrorLine(r);
        return r;
    }
    const int count = std::min(r, kAnswerBufferSize - 1);

    AnswerParts parts;
    int rc = Check(received, r, parts);
    if (rc >= 0 && parts.command != frame[2])
        rc = -2035;
    if (rc >= 0 && chkRecBusAdr_ && frame[1] < 254 && parts.busAddress != frame[1])
        rc = -2037;
    if (rc < 0) {
        lastError_ = rc;
        WriteReceiveLine(received, count, rc);
        return rc;
    }
    WriteReceiveLine(received, count, parts.status);
    lastError_ = 0;

    answer = CommandAnswer{};
    answer.status = parts.status;
    answer.dataLength = parts.dataLength;
    std::memcpy(answer.data, parts.data, static_cast<std::size_t>(parts.dataLength));
    return parts.status;
}
