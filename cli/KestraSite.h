#pragma once
// A whole site at once: scan its buses into a site file with each reader's configuration
// beside it, write every reader's file, compare them all, read every reader's state. The
// buses run in parallel, the readers of a bus one after another; the report is one table.

#include "KestraReport.h"
#include "KestraScan.h"
#include "KestraSiteRun.h"

#include <string>
#include <vector>

namespace kestra_cli {

struct SiteApplyOptions {
    bool verify = false;
    bool dryRun = false;
    bool force = false; ///< write readers whose model differs from the site file's
};

/// Scans every port of `ports` (a port map number, or a device path or URL) with `scan`, and
/// saves the readers that answer at the line settings of the bus's first reader as
/// `<bus>-<address>.rdr` beside `output`, then the site file at `output`. An existing site
/// file or reader file is replaced only with `force`. Exit 2 before anything is asked for an
/// output that exists or is no regular file; exit 3 when no reader answered.
KestraReport SiteScan(const std::vector<std::string>& ports, const std::string& output,
                      const ScanOptions& scan, bool force, const SiteOptions& options);

/// Writes every reader's file. Every file is opened before anything is sent, and a file that
/// write-config would refuse ends the run with exit 2; a file whose bus address or line
/// settings differ from the site's is named on standard error before anything is written.
/// Then every reader is asked its model; unless `force`, a reader that answers as another
/// model than the site file says (or whose file was read from another model) refuses the
/// whole site with exit 2 and nothing is written. Then each bus writes its readers in turn.
KestraReport SiteApply(const std::string& path, const SiteApplyOptions& apply,
                       const SiteOptions& options);

/// Compares every reader with its file, as diff does; exit 1 when any differs.
KestraReport SiteCheck(const std::string& path, const SiteOptions& options);

/// Reads model, software version and inputs of every reader.
KestraReport SiteStatus(const std::string& path, const SiteOptions& options);

} // namespace kestra_cli
