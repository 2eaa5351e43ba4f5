#pragma once
// The site file: every bus of a site (a port of the port map, or a device path or a device
// server's URL), its line settings, and on each bus the readers with their bus address, model,
// reader file and name. Reader files are named relative to the site file's folder, so a site's
// folder can be copied to another machine whole.
//
//   {"buses": [{"name": "hall", "port": "/dev/ttyUSB0", "baud": 9600, "frame": "8E1",
//               "readers": [{"address": 7, "model": "KRD", "file": "dock7.rdr",
//                            "name": "dock7"}]}]}

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace kestra_cli {

struct SiteReader {
    int address = 0;
    std::string model; ///< KRA .. KRD
    std::string file;  ///< as the site file writes it
    std::string name;
};

struct SiteBus {
    std::string name;
    int port = 0;       ///< a number of the port map, or 0 when `device` is given
    std::string device; ///< a device path or URL
    int baud = 9600;
    std::string frame = "8E1";
    std::vector<SiteReader> readers;

    /// "port 33", or the device.
    std::string PortText() const;
};

struct KestraSite {
    std::filesystem::path folder; ///< where the reader files are found
    std::vector<SiteBus> buses;

    /// The reader file of `reader`, relative to the site file's folder unless absolute.
    std::filesystem::path FileOf(const SiteReader& reader) const { return folder / reader.file; }
};

/// Reads and checks the site file at `path`. Throws KestraError (exit 2) naming the entry for
/// anything that is not a site this program can reach: a path that is no regular file, text
/// that is no JSON, a missing or unknown key, a value out of its range, a port or a device
/// given twice, two readers of one bus at one address, and a name given twice.
KestraSite LoadSite(const std::string& path);

/// The site as the site file writes it.
nlohmann::ordered_json SiteJson(const KestraSite& site);

} // namespace kestra_cli
