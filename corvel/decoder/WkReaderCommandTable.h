#pragma once
// One table of every reader command: its code, its name as the workbench shows it, and the
// layout of the data of its request and of its answer. The frame decoder reads nothing else.

#include <cstdint>
#include <span>

/// How the bytes of one data field read.
enum class WkFieldKind : std::uint8_t {
    kByte,         ///< one byte, a number
    kWord,         ///< two bytes, high byte first
    kBits,         ///< one byte of flags
    kBytes,        ///< bytes shown as hex pairs
    kText,         ///< bytes shown as text when all are printable, else as hex pairs
    kSerialNumber, ///< transponder serial number, shown as one hex number
    kAnswerType,   ///< transponder type of an answer: 0 TTA, 1 TTB, 2 TTC, 3 TTD
    kSelectType,   ///< transponder type code of a request: 1 TTB, 2 TTC, 3 TTD
    kPasswordType, ///< transponder type code of the password commands: 1 TTB, 3 TTC
};

/// One field of a frame's data. `size` 0 takes every byte that is left; `repeat` above 1
/// makes that many fields named "<name> 1", "<name> 2", ...
struct WkFieldSpec {
    const char* name;
    WkFieldKind kind;
    std::uint8_t size = 1;
    std::uint8_t repeat = 1;
};

/// One command of the readers.
struct WkReaderCommand {
    std::uint8_t code;
    /// The request frame's LEN byte this entry is for; 0 for any (commands whose data layout
    /// depends on the length come once per length, the entry for any length last).
    std::uint8_t requestLength;
    /// "[0x65] Software Version".
    const char* name;
    std::span<const WkFieldSpec> request;
    /// Fields of the answer data; data beyond them shows as "data".
    std::span<const WkFieldSpec> answer;
};

/// The command with `code` for a request of `requestLength` bytes (0 when the request is not
/// known), or null for a code the readers do not know.
const WkReaderCommand* FindReaderCommand(int code, int requestLength = 0);

/// Every entry of the table, in code order.
std::span<const WkReaderCommand> ReaderCommands();

/// The name shown for a code that is not in the table.
inline constexpr const char* kUnknownCommandName = "unknown command";
