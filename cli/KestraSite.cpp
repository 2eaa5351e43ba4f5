#include "KestraSite.h"

#include "KestraArguments.h"
#include "KestraCommands.h"
#include "KestraConfig.h"
#include "WkAtomicFile.h"
#include "velk.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>

namespace kestra_cli {
namespace {

namespace fs = std::filesystem;

// Block 0 byte 7 holds the baud rate code (bits 0 to 2; 2 is 1200 .. 7 is 38400) and, in bit
// 7, no parity; byte 8 the bus address.
constexpr int kLineByte = 7;
constexpr int kAddressByte = 8;

int BaudOfCode(int code) {
    return code >= 2 && code <= 7 ? 1200 << (code - 2) : 0;
}

// The version answer of the reader at the link's address; a failure throws.
KestraReport AskVersion(KestraLink& link) {
    KestraReport version = Version(link);
    if (version.exitCode != kExitOk) {
        throw KestraError(version.exitCode, version.error);
    }
    return version;
}

std::string ModelMismatch(const std::string& answered, const SiteReader& reader) {
    return answered == reader.model
               ? ""
               : "answers as " + answered + ", the site file says " + reader.model;
}

// Every reader's file opened before anything is sent: one that write-config would refuse
// ends the run. What each file would change about the bus is named.
struct FileCheck {
    std::vector<std::string> warnings;
    std::vector<std::vector<std::string>> modelFaults; ///< per bus, per reader; empty when none
};

// Opens every file and names on standard error, at once, what the files would change.
FileCheck CheckFiles(const KestraSite& site) {
    FileCheck check;
    for (const SiteBus& bus : site.buses) {
        check.modelFaults.emplace_back();
        for (const SiteReader& reader : bus.readers) {
            ReaderFileFacts facts;
            try {
                facts = InspectReaderFile(site.FileOf(reader).string());
            } catch (const KestraError& e) {
                throw KestraError(e.ExitCode(), reader.name + ": " + e.what());
            }
            const std::string named = reader.name + ": its file " + reader.file;
            if (facts.bytes[kAddressByte] != reader.address) {
                check.warnings.push_back(named + " sets bus address " +
                                         std::to_string(facts.bytes[kAddressByte]) +
                                         "; the site file says " + std::to_string(reader.address));
            }
            const std::uint8_t line = facts.bytes[kLineByte];
            const int baud = BaudOfCode(line & 0x07);
            const char parity = (line & 0x80) != 0 ? 'N' : 'E';
            if (baud != bus.baud || parity != bus.frame[1]) {
                check.warnings.push_back(
                    named + " sets " +
                    (baud != 0 ? std::to_string(baud) + " baud" : "no valid baud rate") +
                    (parity == 'E' ? ", even parity" : ", no parity") + "; " + bus.name +
                    " runs at " + std::to_string(bus.baud) + " " + bus.frame);
            }
            const std::string fileModel = ModelName(facts.hardwareType);
            check.modelFaults.back().push_back(facts.hardwareType == 0 || fileModel == reader.model
                                                   ? ""
                                                   : "its file was read from a " + fileModel +
                                                         ", the site file says " + reader.model);
        }
    }
    for (const std::string& warning : check.warnings) {
        std::cerr << "kestra: warning: " << warning << std::endl;
    }
    return check;
}

// The result of a command that reads or writes, turned into the reader's outcome.
void FailWith(SiteOutcome& out, const KestraReport& report) {
    out.failed = true;
    out.exitCode = report.exitCode;
    out.result = "FAILED";
    out.error = report.error;
    out.details = report.lines;
}

KestraReport Refused(SiteSession& session, const FileCheck& files) {
    for (std::size_t b = 0; b < session.Outcomes().size(); ++b) {
        const SiteBus& bus = session.Site().buses[b];
        for (std::size_t r = 0; r < bus.readers.size(); ++r) {
            SiteOutcome& out = session.Outcomes()[b][r];
            if (out.failed) {
                continue;
            }
            std::string fault = ModelMismatch(out.model, bus.readers[r]);
            if (fault.empty()) {
                fault = files.modelFaults[b][r];
            }
            out.result = fault.empty() ? "not written" : "refused";
            out.exitCode = fault.empty() ? kExitOk : kExitUsage;
            out.error = fault;
        }
    }
    KestraReport report = SiteTable("apply", files.warnings, session.Outcomes());
    report.error += "; nothing was written (--force writes all the same)";
    return report;
}

} // namespace

KestraReport SiteApply(const std::string& path, const SiteApplyOptions& apply,
                       const SiteOptions& options) {
    const KestraSite site = LoadSite(path);
    const FileCheck files = CheckFiles(site);
    SiteSession session(site, options);
    if (apply.dryRun) {
        for (std::size_t b = 0; b < site.buses.size(); ++b) {
            for (std::size_t r = 0; r < site.buses[b].readers.size(); ++r) {
                SiteOutcome& out = session.Outcomes()[b][r];
                const KestraReport listed = WriteConfig(
                    nullptr, site.FileOf(site.buses[b].readers[r]).string(), false, true);
                const std::string& fault = files.modelFaults[b][r];
                out.result = fault.empty() || apply.force ? "dry run" : "refused";
                out.exitCode = fault.empty() || apply.force ? kExitOk : kExitUsage;
                out.error = fault;
                out.details = listed.lines;
                out.facts["write"] = listed.json;
            }
        }
        return SiteTable("apply", files.warnings, session.Outcomes());
    }

    session.ForEachReader("asking its model",
                          [](KestraLink& link, const SiteReader&, SiteOutcome& out) {
                              out.model = AskVersion(link).json["model"].get<std::string>();
                          });
    bool mismatch = false;
    for (std::size_t b = 0; b < site.buses.size(); ++b) {
        for (std::size_t r = 0; r < site.buses[b].readers.size(); ++r) {
            const SiteOutcome& out = session.Outcomes()[b][r];
            mismatch = mismatch || !files.modelFaults[b][r].empty() ||
                       (!out.failed && !ModelMismatch(out.model, site.buses[b].readers[r]).empty());
        }
    }
    if (mismatch && !apply.force) {
        return Refused(session, files);
    }

    session.ForEachReader(
        "writing", [&](KestraLink& link, const SiteReader& reader, SiteOutcome& out) {
            const KestraReport written =
                WriteConfig(&link, site.FileOf(reader).string(), apply.verify, false);
            out.facts["write"] = written.json;
            if (written.exitCode != kExitOk) {
                FailWith(out, written);
                return;
            }
            out.result = apply.verify ? "verified" : "written";
            out.error = ModelMismatch(out.model, reader);
        });
    return SiteTable("apply", files.warnings, session.Outcomes());
}

KestraReport SiteCheck(const std::string& path, const SiteOptions& options) {
    const KestraSite site = LoadSite(path);
    const FileCheck files = CheckFiles(site);
    SiteSession session(site, options);
    session.ForEachReader(
        "comparing", [&](KestraLink& link, const SiteReader& reader, SiteOutcome& out) {
            out.model = AskVersion(link).json["model"].get<std::string>();
            const KestraReport diff = Diff(&link, site.FileOf(reader).string(), std::nullopt);
            out.facts["differences"] = diff.json["differences"];
            out.error = ModelMismatch(out.model, reader);
            // Notes on bytes the program sends in a form of its own are not differences.
            std::copy_if(diff.lines.begin(), diff.lines.end(), std::back_inserter(out.details),
                         [](const std::string& line) { return line.rfind("note: ", 0) != 0; });
            const bool differs = diff.exitCode != kExitOk || !out.error.empty();
            out.result = differs ? "differs" : "equal";
            out.exitCode = differs ? kExitStatus : kExitOk;
            if (diff.exitCode != kExitOk && out.error.empty()) {
                out.error = out.details.size() == 1
                                ? "1 value differs"
                                : std::to_string(out.details.size()) + " values differ";
            }
        });
    return SiteTable("check", files.warnings, session.Outcomes());
}

KestraReport SiteStatus(const std::string& path, const SiteOptions& options) {
    const KestraSite site = LoadSite(path);
    SiteSession session(site, options);
    session.ForEachReader(
        "reading", [&](KestraLink& link, const SiteReader& reader, SiteOutcome& out) {
            const KestraReport version = AskVersion(link);
            out.model = version.json["model"].get<std::string>();
            unsigned char inputs = 0;
            link.Check(VELK_0x74_ReadInp(link.Reader(), link.Address(), &inputs), "inputs");
            // Bit 0 is input 1, bit 1 input 2, bit 2 the sabotage input.
            const auto on = [&](int bit) { return (inputs >> bit & 1) != 0; };
            const std::string software = version.json["software_version"].get<std::string>();
            out.facts["software_version"] = software;
            out.facts["transponder_types"] = version.json["transponder_types"];
            out.facts["inputs"] = {{"input1", on(0)}, {"input2", on(1)}, {"sabotage", on(2)}};
            out.result = software + "  in1 " + (on(0) ? "on" : "off") + "  in2 " +
                         (on(1) ? "on" : "off") + "  sabotage " + (on(2) ? "on" : "off");
            out.error = ModelMismatch(out.model, reader);
            out.exitCode = out.error.empty() ? kExitOk : kExitStatus;
        });
    return SiteTable("status", {}, session.Outcomes());
}

KestraReport SiteScan(const std::vector<std::string>& ports, const std::string& output,
                      const ScanOptions& scan, bool force, const SiteOptions& options) {
    if (const std::string kind = NonRegularFileKind(output); !kind.empty()) {
        throw KestraError(kExitUsage, output + " is " + kind + ", not a regular file");
    }
    std::error_code error;
    if (fs::exists(fs::symlink_status(output, error)) && !force) {
        throw KestraError(kExitUsage, output + " exists; --force replaces it");
    }
    KestraSite site;
    site.folder = fs::path(output).parent_path();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SiteBus bus;
        bus.name = "bus" + std::to_string(i + 1);
        if (ports[i].find_first_not_of("0123456789") == std::string::npos) {
            bus.port = static_cast<int>(ParseNumber(ports[i], 1, 256, "site scan PORT"));
        } else {
            bus.device = ports[i];
        }
        bus.baud = scan.bauds.front();
        bus.frame = scan.frames.front();
        site.buses.push_back(bus);
    }
    for (std::size_t i = 0; i < site.buses.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (site.buses[i].PortText() == site.buses[j].PortText()) {
                throw KestraError(kExitUsage,
                                  "site scan: " + site.buses[i].PortText() + " is given twice");
            }
        }
    }

    // Each bus thread fills its own entry.
    std::vector<SiteBus> found = site.buses;
    SiteSession session(site, options);
    session.ForEachBus([&](std::size_t b) {
        SiteBus& bus = found[b];
        std::vector<SiteOutcome>& outcomes = session.Outcomes()[b];
        SiteOutcome busOut;
        busOut.bus = bus.name;
        busOut.port = bus.PortText();
        session.Progress().Show(b, "scanning");
        KestraReport swept;
        RunStep(busOut, [&] { swept = Scan(session.Link(b), scan); });
        if (busOut.failed) {
            outcomes.push_back(busOut);
            return;
        }
        std::set<int> seen;
        bool first = true;
        for (const auto& answered : swept.json["readers"]) {
            const int address = answered["address"].get<int>();
            if (!seen.insert(address).second) {
                continue; // the same reader at another frame the line does not tell apart
            }
            SiteOutcome out = busOut;
            out.address = address;
            out.name = bus.name + "-" + std::to_string(address);
            out.file = out.name + ".rdr";
            out.model = answered["model"].get<std::string>();
            const int baud = answered["baud"].get<int>();
            const std::string frame = answered["frame"].get<std::string>();
            // The bus is recorded at the line settings of its first reader.
            if (first) {
                bus.baud = baud;
                bus.frame = frame;
                first = false;
            }
            if (baud != bus.baud || frame != bus.frame) {
                out.result = "left out";
                out.exitCode = kExitStatus;
                out.error = "answers at " + std::to_string(baud) + " " + frame + ", " + bus.name +
                            " is recorded at " + std::to_string(bus.baud) + " " + bus.frame;
                outcomes.push_back(out);
                continue;
            }
            session.Progress().Show(b, "reading " + out.name);
            RunStep(out, [&] {
                const fs::path file = site.folder / out.file;
                std::error_code missing;
                if (fs::exists(fs::symlink_status(file, missing)) && !force) {
                    throw KestraError(
                        kExitUsage, file.string() + " exists: not replaced (--force replaces it)");
                }
                KestraLink& link = session.Link(b);
                link.SetLine(baud, frame);
                link.SetAddress(address);
                ReadConfig(link, file.string());
                out.result = "saved";
                bus.readers.push_back({address, out.model, out.file, out.name});
            });
            outcomes.push_back(out);
        }
        // A bus whose line failed, or where none answered, is named as such.
        if (swept.exitCode != kExitOk) {
            busOut.result = "FAILED";
            busOut.exitCode = swept.exitCode;
            busOut.error = swept.error;
            outcomes.push_back(busOut);
        }
        session.Progress().Show(b, "done");
    });

    KestraSite result;
    for (const SiteBus& bus : found) {
        if (!bus.readers.empty()) {
            result.buses.push_back(bus);
        }
    }
    KestraReport report = SiteTable("scan", {}, session.Outcomes());
    if (!result.buses.empty()) {
        std::string why;
        const bool saved = WriteFileAtomically(output, SiteJson(result).dump(2) + "\n", &why);
        if (!saved) {
            report.exitCode = std::max(report.exitCode, static_cast<int>(kExitUsage));
            report.error = why;
        }
        report.json["site"] = saved ? nlohmann::ordered_json(output) : nlohmann::ordered_json();
        report.lines.push_back("");
        report.lines.push_back(saved ? "saved " + output : why);
    }
    return report;
}

} // namespace kestra_cli
