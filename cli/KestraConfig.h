#pragma once
// The stored configuration of a reader through the reader document and the configuration
// pages' tables: read it into a .rdr file, write a file to a reader, compare the two.

#include "KestraReport.h"

#include <optional>
#include <string>

class KestraLink;

namespace kestra_cli {

/// Reads the three configuration blocks and the software version into a reader document and
/// saves it at `path`.
KestraReport ReadConfig(KestraLink& link, const std::string& path);

/// Sends what the pages' send lists send, from the file at `path`. `link` may be null only for
/// `dryRun`, which lists the commands instead. `verify` reads the reader back and fails with
/// exit 1 when a value differs.
KestraReport WriteConfig(KestraLink* link, const std::string& path, bool verify, bool dryRun);

/// One line per value of the file at `path` that differs from the reader (`link`) or from the
/// file `other`: "Page / Group / Label: file value -> other value". Exit 1 when any differs.
KestraReport Diff(KestraLink* link, const std::string& path,
                  const std::optional<std::string>& other);

} // namespace kestra_cli
