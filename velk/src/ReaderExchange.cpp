// The exchange procedure shared by every reader command.
#include "LogLine.h"
#include "Reader.h"
#include "ReaderRegistry.h"
#include "sorn.h"
#include "velk.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
    const int r = TransceiveOwnAnswer(frame, length, received, kAnswerBufferSize);
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
        rc = VELK_ERR_COMMAND_BYTE;
    if (rc >= 0 && chkRecBusAdr_ && frame[1] < 254 && parts.busAddress != frame[1])
        rc = VELK_ERR_BUS_ADDRESS;
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

void Reader::BuildAutoAnswerLine(char* record, const unsigned char* bytes, int count) {
    LogLine line(record, kRecordSize);
    line.Append("  <<  ");
    line.AppendHexBytes(bytes, count);
}

int Reader::TransceiveOwnAnswer(const unsigned char* request, int length, unsigned char* answer,
                                int answerSize) {
    const int port = PortHandle();
    auto answers = [&](int r) {
        return AnswersRequest(request, length, answer, std::min(r, answerSize));
    };
    const int first = SORN_Transceive(port, request, length, answer, answerSize);
    if (first <= 0 || !IsRequestFrame(request, length) || answers(first)) {
        return first;
    }
    // The first frame answers something else: it may still stand as the answer, so its line
    // waits until another frame comes.
    const int kept = std::min(first, answerSize);
    const std::vector<unsigned char> firstBytes(answer, answer + kept);
    BuildAutoAnswerLine(firstPassedLine_, answer, kept);
    int passed = 1;
    for (;;) {
        const int r = SORN_NextAnswer(port, answer, answerSize);
        if (r > 0 && passed == 1) {
            HandOverLine(kChannelReceiveLine, firstPassedLine_, kept);
        }
        if (r > 0 && answers(r)) {
            return r;
        }
        if (r <= 0) {
            if (passed > 1) {
                return SORN_ERR_NOTHING_RECEIVED;
            }
            std::copy(firstBytes.begin(), firstBytes.end(), answer);
            return first;
        }
        ++passed;
        BuildAutoAnswerLine(autoAnswerLine_, answer, std::min(r, answerSize));
        HandOverLine(kChannelReceiveLine, autoAnswerLine_, r);
    }
}
