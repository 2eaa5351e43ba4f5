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

KestraReport Version(KestraLink& link);
/// Sends `bytes` as they are (with their XOR appended when `checksum`) and decodes the answer.
KestraReport Send(KestraLink& link, std::vector<unsigned char> bytes, bool checksum);
KestraReport Login(KestraLink& link, const std::string& password);
KestraReport Reset(KestraLink& link);
KestraReport FactoryReset(KestraLink& link);
/// `what`: serial, read-public, write-public, read-id, write-id; `args` its arguments.
KestraReport Tag(KestraLink& link, const std::string& what, const std::vector<std::string>& args);
/// Tries 8E1 then 8N1 at 38400 .. 1200 with command 0x52, each with the time-out of its rate.
KestraReport DetectBaud(KestraLink& link);
/// Prints frames that arrive unasked until `count` frames (0: no limit) or SIGINT.
int Monitor(KestraLink& link, int count, bool json);

} // namespace kestra_cli
