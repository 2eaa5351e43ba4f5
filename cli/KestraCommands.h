#pragma once
// The commands that talk to one reader with single protocols: version, raw send, transponder
// commands, login, resets, baud-rate detection and the auto-answer monitor.

#include "KestraReport.h"

#include <string>
#include <vector>

class KestraLink;

namespace kestra_cli {

/// The decoded last exchange of the link's reader: bytes, status and fields. A status other
/// than OK fails the report with exit 1, `result` < 0 with exit 3 (`what` names the action).
KestraReport ExchangeReport(const KestraLink& link, int result, const std::string& what);

/// KRA .. KRD for a hardware type, "unknown" otherwise.
const char* ModelName(int hardwareType);

/// A transponder command with its arguments checked against what the request carries.
struct TagRequest {
    std::string what;                ///< serial, read-public, write-public, read-id, write-id
    int block = 0;                   ///< first block, 0..255
    int count = 0;                   ///< read-public: blocks, 1..4
    std::vector<unsigned char> data; ///< write-public: 4..16 bytes; write-id: 1..12 bytes
};

KestraReport Version(KestraLink& link);
/// The bytes of a raw protocol typed as hex words: 1 to 255 with the checksum that
/// `checksum` appends. Throws KestraError (exit 2) otherwise.
std::vector<unsigned char> ParseFrameBytes(const std::vector<std::string>& words, bool checksum);
/// Sends `bytes` as they are (with their XOR appended when `checksum`) and decodes the answer.
KestraReport Send(KestraLink& link, std::vector<unsigned char> bytes, bool checksum);
/// The reader password typed as 8 hex digits; throws KestraError (exit 2) otherwise.
std::string ParsePassword(const std::string& text);
/// Logs in with the 4 raw bytes of ParsePassword.
KestraReport Login(KestraLink& link, const std::string& password);
KestraReport Reset(KestraLink& link);
KestraReport FactoryReset(KestraLink& link);
/// `what` and its arguments as typed; throws KestraError (exit 2) for anything the request
/// cannot carry.
TagRequest ParseTag(const std::string& what, const std::vector<std::string>& args);
KestraReport Tag(KestraLink& link, const TagRequest& request);
/// Tries 8E1 then 8N1 at 38400 .. 1200 with command 0x52, each with the time-out of its rate.
KestraReport DetectBaud(KestraLink& link);
/// Prints frames that arrive unasked until `count` frames (0: no limit) or SIGINT.
int Monitor(KestraLink& link, int count, bool json);

} // namespace kestra_cli
