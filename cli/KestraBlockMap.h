#pragma once
// The reader's configuration blocks 0 to 2 byte by byte: what each byte holds, which command
// writes it, and what write-config sends for a file's value. Verify and diff compare these
// bytes, so that a difference no control shows is named too.

#include <array>
#include <cstdint>
#include <string>

class VELKReaderModul;
class KestraLink;

namespace kestra_cli {

inline constexpr int kConfigBytes = 48; ///< blocks 0, 1, 2 of 16 bytes
using ConfigBytes = std::array<std::uint8_t, kConfigBytes>;

/// "block 2 byte 3 ([0xA5] transponder mode TTD)"; "block 0 byte 15 (unused)".
std::string ConfigByteName(int index);
/// The command that writes byte `index`; 0 for an unused byte.
int ConfigByteCommand(int index);
/// Whether write-config sends byte `index` (its command is in a page's send list).
bool WrittenByWriteConfig(int index);
/// What write-config sends for the file's `value` at `index`: the access lock sends only its
/// bit 0, the TTD mode goes out with bit 0 set and bits 1 to 3 clear; every other byte as it
/// is. `why` (may be null) receives the reason when the sent value differs.
std::uint8_t SentValue(int index, std::uint8_t value, std::string* why = nullptr);

/// Blocks 0 to 2 of the configuration image of `modul`.
ConfigBytes ImageBytes(VELKReaderModul& modul);
/// Blocks 0 to 2 as the reader holds them now (command 0x62 three times). Throws KestraError:
/// exit 1 with the status, exit 3 for no or a short answer. `what` names the action.
ConfigBytes ReadReaderBytes(KestraLink& link, const std::string& what);
/// Block `block` alone; the result of 0x62 (0, a status, or a negative code) in `result`.
bool ReadReaderBlock(KestraLink& link, int block, ConfigBytes& into, int& result);

} // namespace kestra_cli
