#include "KestraConfig.h"

#include "KestraLink.h"
#include "KestraReaderHost.h"
#include "WkPageTable.h"
#include "WkReaderCommandTable.h"
#include "WkReaderEditDoc.h"

#include <filesystem>
#include <memory>
#include <set>

namespace kestra_cli {
namespace {

struct Difference {
    std::string name; ///< "Page / Group / Label"
    std::string from;
    std::string to;
};

std::string CommandName(int code) {
    const WkReaderCommand* command = FindReaderCommand(code);
    return command ? command->name : "[0x" + std::to_string(code) + "]";
}

// A reader document whose reader object talks on the link's port, addressed at its bus address.
class LinkedDocument {
public:
    explicit LinkedDocument(KestraLink* link) : doc_(&host_), link_(link) {
        doc_.OnNewDocument();
        Bind();
    }
    // Opens `path`; a missing file or one that is not a reader file ends the run with exit 2.
    LinkedDocument(KestraLink* link, const std::string& path) : doc_(&host_), link_(link) {
        if (!std::filesystem::is_regular_file(path)) {
            throw KestraError(kExitUsage, path + ": no such file");
        }
        if (!doc_.OnOpenDocument(path)) {
            throw KestraError(kExitUsage, path + ": not a reader configuration file (.rdr)");
        }
        Bind();
    }
    VELKReaderModul& Modul() { return doc_.Modul(); }
    WkReaderEditDoc& Doc() { return doc_; }

    // Every page's read list, each transponder type in turn, then the software version.
    void ReadFromReader() {
        VELKReaderModul& modul = doc_.Modul();
        for (const WkPageTable& page : ReaderPageTables()) {
            ForTypes(page, [&] {
                for (int code : page.readCodes) {
                    const int result = modul.ReadParameter(code);
                    // -1: the command has no stored values.
                    if (result != -1) {
                        link_->Check(result, "read " + CommandName(code));
                    }
                }
            });
        }
        link_->Check(modul.Execute(0x65), "read " + CommandName(0x65));
    }

    template <typename Body> void ForTypes(const WkPageTable& page, Body body) {
        const int types = page.overTypes ? 3 : 1;
        for (int type = 1; type <= types; ++type) {
            if (page.overTypes) {
                doc_.Modul().Answer().SetByte(kTransponderTypeDescriptor,
                                              static_cast<std::uint8_t>(type));
            }
            body();
        }
    }

private:
    void Bind() {
        if (link_ == nullptr) {
            return;
        }
        VELK_SetReaderPara(doc_.GetReaderHandle(), "PortHnd",
                           std::to_string(link_->Port()).c_str());
        if (link_->Options().verbose) {
            VELK_SetReaderPara(doc_.GetReaderHandle(), "LogProt", "1");
        }
        doc_.Modul().Base().SetByte(WkReaderEditDoc::kBusAddress,
                                    static_cast<std::uint8_t>(link_->Address()), false);
    }

    KestraReaderHost host_;
    WkReaderEditDoc doc_;
    KestraLink* link_;
};

// The stored values (image 1) that differ, each control once.
std::vector<Difference> Differences(VELKReaderModul& from, VELKReaderModul& to) {
    std::vector<Difference> out;
    std::set<std::pair<std::string, WkControlKind>> seen;
    for (const WkPageTable& page : ReaderPageTables()) {
        for (const WkPageControl& control : page.controls) {
            if (control.kind == WkControlKind::TypeList || control.image != 1 ||
                !seen.insert({control.descriptor, control.kind}).second) {
                continue;
            }
            const auto a = ReadControl(control, from);
            const auto b = ReadControl(control, to);
            if (a == b) {
                continue;
            }
            const std::string label = control.label.empty() ? control.column : control.label;
            out.push_back({page.caption + " / " + control.group + " / " + label,
                           a ? ControlValueText(control, *a) : "?",
                           b ? ControlValueText(control, *b) : "?"});
        }
    }
    return out;
}

void ReportDifferences(KestraReport& report, const std::vector<Difference>& differences) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Difference& d : differences) {
        report.lines.push_back(d.name + ": " + d.from + " -> " + d.to);
        list.push_back({{"name", d.name}, {"from", d.from}, {"to", d.to}});
    }
    report.json["differences"] = list;
}

} // namespace

KestraReport ReadConfig(KestraLink& link, const std::string& path) {
    LinkedDocument doc(&link);
    doc.ReadFromReader();
    KestraReport report;
    doc.Doc().SetTitle(std::filesystem::path(path).filename().string());
    if (!doc.Doc().SaveFile(path)) {
        throw KestraError(kExitUsage, path + ": cannot be written");
    }
    report.json["file"] = path;
    report.json["reader_type"] = doc.Modul().ReaderTypeText();
    report.json["software_version"] = doc.Modul().SoftwareVersionText();
    report.lines.push_back("saved " + path + " (reader type " + doc.Modul().ReaderTypeText() +
                           ", software " + doc.Modul().SoftwareVersionText() + ")");
    return report;
}

KestraReport WriteConfig(KestraLink* link, const std::string& path, bool verify, bool dryRun) {
    LinkedDocument file(dryRun ? nullptr : link, path);
    KestraReport report;
    nlohmann::ordered_json commands = nlohmann::ordered_json::array();
    for (const WkPageTable& page : ReaderPageTables()) {
        int type = 0;
        file.ForTypes(page, [&] {
            type = page.overTypes ? type + 1 : 0;
            for (int code : page.sendCodes) {
                std::string line = page.caption + " / " + CommandName(code);
                if (type != 0) {
                    line += " (type " + std::to_string(type) + ")";
                }
                if (!dryRun) {
                    link->Check(file.Modul().Execute(code), "write " + line);
                }
                report.lines.push_back((dryRun ? "would send " : "sent ") + line);
                commands.push_back({{"page", page.caption},
                                    {"command", CommandName(code)},
                                    {"code", code},
                                    {"type", type}});
            }
        });
    }
    report.json["file"] = path;
    report.json["dry_run"] = dryRun;
    report.json["commands"] = commands;
    if (verify && !dryRun) {
        LinkedDocument back(link);
        back.ReadFromReader();
        const std::vector<Difference> differences = Differences(file.Modul(), back.Modul());
        ReportDifferences(report, differences);
        report.json["verified"] = differences.empty();
        if (!differences.empty()) {
            report.Fail(kExitStatus, "verify: " + std::to_string(differences.size()) +
                                         " values differ from the file");
        } else {
            report.lines.push_back("verified");
        }
    }
    return report;
}

KestraReport Diff(KestraLink* link, const std::string& path,
                  const std::optional<std::string>& other) {
    LinkedDocument file(nullptr, path);
    std::unique_ptr<LinkedDocument> second;
    if (other) {
        second = std::make_unique<LinkedDocument>(nullptr, *other);
    } else {
        second = std::make_unique<LinkedDocument>(link);
        second->ReadFromReader();
    }
    KestraReport report;
    const std::vector<Difference> differences = Differences(file.Modul(), second->Modul());
    ReportDifferences(report, differences);
    if (!differences.empty()) {
        report.exitCode = kExitStatus;
    }
    return report;
}

} // namespace kestra_cli
