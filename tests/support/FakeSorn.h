#pragma once
// A scripted stand-in for the serial-port library: the SORN_ exports of sorn.h answer from
// prepared scripts and record what they were given. The functions below let a test prepare
// the answers and read the records. Everything is safe to use from several threads.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#define FAKESORN_API __attribute__((visibility("default")))

namespace fakesorn {

using Bytes = std::vector<std::uint8_t>;

/// One call that sent bytes (SORN_Transceive or SORN_Transmit).
struct SentFrame {
    int port = 0;
    Bytes bytes;
    std::chrono::steady_clock::time_point at;
};

/// Clears every script and record; the version text becomes "02.08.02".
FAKESORN_API void Reset();
FAKESORN_API void SetVersion(const std::string& version);

/// The next SORN_Transceive copies `bytes` into the answer buffer and returns their count.
FAKESORN_API void QueueAnswer(const Bytes& bytes);
/// The next SORN_Transceive leaves `partial` in the answer buffer and returns `result`.
FAKESORN_API void QueueTransceiveResult(int result, const Bytes& partial = {});
/// Without a script SORN_Transceive returns -1030.

/// The next SORN_NextAnswer copies `bytes` into the answer buffer and returns their count;
/// without a script it returns -1030.
FAKESORN_API void QueueNextAnswer(const Bytes& bytes);
FAKESORN_API int NextAnswerCalls();

/// The next SORN_Receive delivers `bytes` (returns their count). Without a script it waits
/// about 5 ms and returns -1030.
FAKESORN_API void QueueReceive(const Bytes& bytes);
/// The next SORN_Receive returns `result` with nothing delivered.
FAKESORN_API void QueueReceiveResult(int result);
/// SORN_Transmit returns this (default 0).
FAKESORN_API void SetTransmitResult(int result);

FAKESORN_API std::vector<SentFrame> Transceived();
FAKESORN_API std::vector<SentFrame> Transmitted();
/// "key=value" of every SORN_SetPortPara call and "command" of every SORN_DoPortCmd call.
FAKESORN_API std::vector<std::string> PortCalls();
FAKESORN_API int ReceiveCalls();

/// The text SORN_GetErrorText writes for a code.
FAKESORN_API std::string ErrorText(int code);

} // namespace fakesorn
