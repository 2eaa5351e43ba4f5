#pragma once
// The stored configuration of a reader through the reader document and the configuration
// pages' tables: read it into a .rdr file, write a file to a reader, compare the two.

#include "KestraBlockMap.h"
#include "KestraReport.h"

#include <optional>
#include <string>

class KestraLink;

namespace kestra_cli {

/// What a reader file holds that a site compares with its own entries.
struct ReaderFileFacts {
    ConfigBytes bytes{};           ///< blocks 0 to 2 of the configuration image
    std::uint8_t hardwareType = 0; ///< of the reader it was read from; 0 when none
};
/// Opens the reader file at `path` as write-config does: a file write-config refuses throws
/// KestraError (exit 2).
ReaderFileFacts InspectReaderFile(const std::string& path);

/// Reads the three configuration blocks and the software version into a reader document and
/// saves it at `path`.
KestraReport ReadConfig(KestraLink& link, const std::string& path);

/// Sends what the pages' send lists send, from the file at `path`, the access lock last. `link`
/// may be null only for `dryRun`, which lists the commands instead. `verify` reads blocks 0 to
/// 2 back and fails with exit 1 when a byte differs from what was sent (a file that locks the
/// reader is read back before the lock goes out). A file of another type, or one whose
/// configuration image lacks bytes of blocks 0 to 2, ends the run with exit 2 before anything
/// is sent. On a failure every command is listed as sent, failed or not sent, with the
/// command lines that finish the write or restore a kept copy.
KestraReport WriteConfig(KestraLink* link, const std::string& path, bool verify, bool dryRun);

/// One line per value of the file at `path` that differs from the reader (`link`) or from the
/// file `other`: "Page / Group / Label, column: file value -> other value", then one line per
/// byte of blocks 0 to 2 that differs in bits no control shows, with why where the program
/// knows. A byte the other side holds exactly as write-config sends the file's byte (the TTD
/// mode, which goes out in a form of its own) is told in a "note: " line and does not count,
/// so a reader written with the file compares equal. Exit 1 when any other value differs.
KestraReport Diff(KestraLink* link, const std::string& path,
                  const std::optional<std::string>& other);

} // namespace kestra_cli
