#include "KestraConfig.h"

#include "KestraBlockMap.h"
#include "KestraCommands.h"
#include "KestraLink.h"
#include "KestraReaderHost.h"
#include "WkAtomicFile.h"
#include "WkPageTable.h"
#include "WkParamDescriptor.h"
#include "WkReaderCommandTable.h"
#include "WkReaderEditDoc.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>

namespace kestra_cli {
namespace {

// The status of a reader that is locked and nobody logged in.
constexpr int kStatusLoginRequest = 0x13;
// Block 2 byte 0: the access lock.
constexpr int kLockByte = 32;
// The hardware type in the answer of 0x65, as the reader file keeps it: a descriptor "CC BB PP
// LL bb nn", the command code in hex and the rest decimal (byte 3 of block 33).
constexpr const char* kHardwareTypeDescriptor = "65 33 03 01 00 00";

struct Difference {
    std::string name; ///< "Page / Group / Label" or "block B byte N (...)"
    std::string from;
    std::string to;
    std::string note; ///< why the bytes differ, when the program knows
    /// The other side holds exactly what write-config sends for this side's byte: the
    /// difference is the program's own, so it is told as a note and does not count.
    bool asSent = false;
};

std::string CommandName(int code) {
    const WkReaderCommand* command = FindReaderCommand(code);
    return command ? command->name : "[0x" + std::to_string(code) + "]";
}

std::string Hex(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// A reader document whose reader object talks on the link's port, addressed at its bus address.
class LinkedDocument {
public:
    explicit LinkedDocument(KestraLink* link) : doc_(&host_), link_(link) {
        doc_.OnNewDocument();
        Bind();
    }
    // Opens `path`. A missing file, one of another type, and one whose configuration image
    // lacks bytes of blocks 0 to 2 end the run with exit 2.
    LinkedDocument(KestraLink* link, const std::string& path) : doc_(&host_), link_(link) {
        if (!doc_.OnOpenDocument(path)) {
            throw KestraError(kExitUsage, doc_.FileError().empty()
                                              ? path + ": not a reader configuration file (.rdr)"
                                              : doc_.FileError());
        }
        if (const std::string missing = doc_.MissingConfigText(); !missing.empty()) {
            throw KestraError(kExitUsage, path + ": " + missing);
        }
        Bind();
    }
    VELKReaderModul& Modul() { return doc_.Modul(); }
    WkReaderEditDoc& Doc() { return doc_; }

    // Every page's read list, each transponder type in turn, then the software version.
    void ReadFromReader() {
        VELKReaderModul& modul = doc_.Modul();
        for (const WkPageTable& page : ReaderPageTables()) {
            const int types = page.overTypes ? 3 : 1;
            for (int type = 1; type <= types; ++type) {
                SetType(page.overTypes ? type : 0);
                for (int code : page.readCodes) {
                    const int result = modul.ReadParameter(code);
                    // -1: the command has no stored values.
                    if (result != -1) {
                        link_->Check(result, "read " + CommandName(code));
                    }
                }
            }
        }
        link_->Check(modul.Execute(0x65), "read " + CommandName(0x65));
    }

    // The transponder type the next 0xA5 is sent or read for (0: leave it).
    void SetType(int type) {
        if (type != 0) {
            doc_.Modul().Answer().SetByte(kTransponderTypeDescriptor,
                                          static_cast<std::uint8_t>(type));
        }
    }

private:
    void Bind() {
        if (link_ == nullptr) {
            return;
        }
        const int reader = doc_.GetReaderHandle();
        VELK_SetReaderPara(reader, "PortHnd", std::to_string(link_->Port()).c_str());
        VELK_SetReaderPara(reader, "CHKRECBUSADR", "1");
        if (link_->Options().verbose) {
            VELK_SetReaderPara(reader, "LogProt", "1");
        }
        doc_.Modul().Base().SetByte(WkReaderEditDoc::kBusAddress,
                                    static_cast<std::uint8_t>(link_->Address()), false);
    }

    KestraReaderHost host_;
    WkReaderEditDoc doc_;
    KestraLink* link_;
};

// What a control shows for a module: a value to compare and its text. An invalid baud rate
// code shows as what it is, never as a rate.
struct Shown {
    std::uint32_t value = 0;
    std::string text;
};

std::optional<Shown> ShownValue(const WkPageControl& control, VELKReaderModul& modul) {
    if (control.kind == WkControlKind::BaudList) {
        std::uint32_t code = 0;
        if (!modul.Access(control.image).GetLong(control.descriptor, code)) {
            return std::nullopt;
        }
        const bool valid = code >= 2 && code - 2 < control.items.size();
        return Shown{code, valid ? control.items[code - 2]
                                 : "invalid (" + Hex(static_cast<std::uint8_t>(code)) + ")"};
    }
    const auto value = ReadControl(control, modul);
    if (!value) {
        return std::nullopt;
    }
    return Shown{*value, ControlValueText(control, *value)};
}

std::string ControlName(const WkPageTable& page, const WkPageControl& control) {
    static const char* kTypes[] = {"", "TTB", "TTC", "TTD"};
    std::string name = page.caption + " / " + control.group;
    std::string label;
    for (const std::string& part :
         {control.label, control.column, std::string(kTypes[std::clamp(control.type, 0, 3)])}) {
        if (!part.empty()) {
            label += (label.empty() ? "" : ", ") + part;
        }
    }
    return label.empty() ? name : name + " / " + label;
}

// Marks the bits of blocks 0 to 2 that `control` shows.
void MarkShownBits(const WkPageControl& control, std::array<std::uint8_t, kConfigBytes>& shown) {
    const auto d = WkParamDescriptor::Parse(control.descriptor);
    if (!d) {
        return;
    }
    const int bits = control.kind == WkControlKind::OneHot ? static_cast<int>(control.items.size())
                                                           : d->bitCount;
    const auto first = d->Index(WkAddressing::Block16);
    for (std::int64_t i = first; i < first + d->length && i >= 0 && i < kConfigBytes; ++i) {
        shown[static_cast<std::size_t>(i)] |=
            bits == 0 || d->length != 1 ? 0xFF
                                        : static_cast<std::uint8_t>(((1 << bits) - 1) << d->lowBit);
    }
}

// Every control of the configuration image whose value differs, then every byte of blocks 0
// to 2 that differs in bits no control shows.
std::vector<Difference> Differences(VELKReaderModul& from, VELKReaderModul& to) {
    std::vector<Difference> out;
    std::set<std::pair<std::string, WkControlKind>> seen;
    std::array<std::uint8_t, kConfigBytes> shown{};
    for (const WkPageTable& page : ReaderPageTables()) {
        for (const WkPageControl& control : page.controls) {
            if (control.kind == WkControlKind::TypeList || control.image != 1 ||
                !seen.insert({control.descriptor, control.kind}).second) {
                continue;
            }
            MarkShownBits(control, shown);
            const auto a = ShownValue(control, from);
            const auto b = ShownValue(control, to);
            if (a.has_value() != b.has_value() || (a && a->value != b->value)) {
                out.push_back(
                    {ControlName(page, control), a ? a->text : "?", b ? b->text : "?", ""});
            }
        }
    }
    const ConfigBytes a = ImageBytes(from);
    const ConfigBytes b = ImageBytes(to);
    for (int i = 0; i < kConfigBytes; ++i) {
        if (((a[i] ^ b[i]) & ~shown[i]) == 0) {
            continue;
        }
        std::string why;
        const std::uint8_t sent = SentValue(i, a[i], &why);
        const std::string note = !WrittenByWriteConfig(i) ? "not written by write-config"
                                 : why.empty()            ? ""
                                               : "write-config sends " + Hex(sent) + ": " + why;
        out.push_back({ConfigByteName(i), Hex(a[i]), Hex(b[i]), note,
                       WrittenByWriteConfig(i) && !why.empty() && b[i] == sent});
    }
    return out;
}

// One line for each difference, and the same as JSON.
void ReportDifferences(const std::vector<Difference>& differences, std::vector<std::string>& lines,
                       nlohmann::ordered_json& json) {
    json = nlohmann::ordered_json::array();
    for (const Difference& d : differences) {
        lines.push_back((d.asSent ? "note: " : "") + d.name + ": " + d.from + " -> " + d.to +
                        (d.note.empty() ? "" : " (" + d.note + ")"));
        nlohmann::ordered_json entry = {{"name", d.name}, {"from", d.from}, {"to", d.to}};
        if (!d.note.empty()) {
            entry["note"] = d.note;
        }
        if (d.asSent) {
            entry["as_sent"] = true;
        }
        json.push_back(entry);
    }
}

// One command of write-config: its page, code, and the transponder type it goes out for.
struct WriteStep {
    const WkPageTable* page;
    int code;
    int type; ///< 1 .. 3 on the transponder settings page, else 0

    std::string Label() const {
        std::string label = page->caption + " / " + CommandName(code);
        return type != 0 ? label + " (type " + std::to_string(type) + ")" : label;
    }
};

// Every page's send list in page order, the transponder modes once per type; the page that
// sends the access lock goes last, so the lock is the last command.
std::vector<WriteStep> WritePlan() {
    std::vector<const WkPageTable*> pages;
    for (const WkPageTable& page : ReaderPageTables()) {
        pages.push_back(&page);
    }
    std::stable_partition(pages.begin(), pages.end(),
                          [](const WkPageTable* page) { return !SendsLock(*page); });
    std::vector<WriteStep> plan;
    for (const WkPageTable* page : pages) {
        const int types = page->overTypes ? 3 : 1;
        for (int type = 1; type <= types; ++type) {
            for (int code : page->sendCodes) {
                plan.push_back({page, code, page->overTypes ? type : 0});
            }
        }
    }
    return plan;
}

// The bytes written whose read-back differs from what was sent for the file's `original`.
std::vector<Difference> VerifyBytes(const ConfigBytes& original, const ConfigBytes& reader,
                                    bool withLock) {
    std::vector<Difference> out;
    for (int i = 0; i < kConfigBytes; ++i) {
        const std::uint8_t sent = SentValue(i, original[i]);
        if (WrittenByWriteConfig(i) && (withLock || i != kLockByte) && reader[i] != sent) {
            out.push_back({ConfigByteName(i), Hex(sent), Hex(reader[i]), ""});
        }
    }
    return out;
}

// The bytes write-config sends otherwise than the file holds them.
void ReportChangedOnSend(KestraReport& report, const ConfigBytes& original) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < kConfigBytes; ++i) {
        std::string why;
        const std::uint8_t sent = SentValue(i, original[i], &why);
        if (WrittenByWriteConfig(i) && sent != original[i]) {
            report.lines.push_back("note: " + ConfigByteName(i) + ": the file holds " +
                                   Hex(original[i]) + ", sent as " + Hex(sent) + ": " + why);
            list.push_back({{"name", ConfigByteName(i)},
                            {"file", Hex(original[i])},
                            {"sent", Hex(sent)},
                            {"why", why}});
        }
    }
    report.json["changed_on_send"] = list;
}

class ConfigWriter {
public:
    ConfigWriter(KestraLink* link, const std::string& path, bool verify, bool dryRun)
        : link_(link), path_(path), verify_(verify && !dryRun), dryRun_(dryRun),
          file_(dryRun ? nullptr : link, path), original_(ImageBytes(file_.Modul())),
          plan_(WritePlan()), results_(plan_.size(), kNotSent) {}

    KestraReport Run() {
        // With a file that locks the reader, the values are read back before the lock goes
        // out: a locked reader answers no read.
        const bool locks = (SentValue(kLockByte, original_[kLockByte]) & 0x01) != 0;
        const std::size_t lockStep = plan_.size() - 1;
        const bool verifyBeforeLock = verify_ && locks && plan_[lockStep].code == kReaderLockCode;
        try {
            if (!dryRun_ && Send(0, verifyBeforeLock ? lockStep : plan_.size())) {
                if (verifyBeforeLock) {
                    if (Verify(false) && Send(lockStep, plan_.size())) {
                        ConfirmLock();
                    }
                } else if (verify_) {
                    Verify(true);
                }
            }
        } catch (const KestraError& e) {
            // A read-back that failed: what was sent is still listed.
            report_.Fail(e.ExitCode(), e.what());
        }
        ListSteps();
        ReportChangedOnSend(report_, original_);
        report_.lines.insert(report_.lines.end(), verifyLines_.begin(), verifyLines_.end());
        report_.json["file"] = path_;
        report_.json["dry_run"] = dryRun_;
        if (verify_) {
            report_.json["verified"] = report_.exitCode == kExitOk;
        }
        if (partlyWritten_) {
            Resume();
        }
        return std::move(report_);
    }

private:
    static constexpr int kNotSent = 1000; // not a result any command gives

    // Sends steps first .. last - 1; false at the first that fails, which ends the report.
    bool Send(std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            file_.SetType(plan_[i].type);
            results_[i] = file_.Modul().Execute(plan_[i].code);
            if (results_[i] != 0) {
                Fail(i);
                return false;
            }
        }
        return true;
    }

    void Fail(std::size_t step) {
        const int result = results_[step];
        // A refused first command wrote nothing; otherwise the reader may hold part of the file.
        partlyWritten_ = step > 0 || result < 0;
        const std::string what = "write " + plan_[step].Label();
        if (result < 0) {
            report_.Fail(kExitNoAnswer, what + ": " + KestraLink::ErrorText(result) + " (" +
                                            std::to_string(result) + ")");
            return;
        }
        std::string text = what + ": reader status " + Hex(static_cast<std::uint8_t>(result)) +
                           ": " + KestraLink::StatusText(result);
        if (result == kStatusLoginRequest) {
            text += std::string("; the reader is locked") +
                    (partlyWritten_ ? "" : " and nothing was written") + ": log in with '" +
                    link_->CommandPrefix() + " login PASSWORD', then write again";
        }
        report_.Fail(kExitStatus, text);
    }

    bool Verify(bool withLock) {
        const ConfigBytes back = ReadReaderBytes(*link_, "verify");
        const std::vector<Difference> differences = VerifyBytes(original_, back, withLock);
        std::vector<std::string> lines;
        ReportDifferences(differences, lines, report_.json["differences"]);
        if (!differences.empty()) {
            verifyLines_.push_back("verify: the reader holds other bytes than were sent:");
            verifyLines_.insert(verifyLines_.end(), lines.begin(), lines.end());
            report_.Fail(kExitStatus, "verify: " + std::to_string(differences.size()) +
                                          " bytes differ from what was sent" +
                                          (withLock ? "" : "; the lock was not sent"));
            return false;
        }
        verifyLines_.push_back("verified");
        return true;
    }

    // After the lock: a reader that now refuses to be read is locked; one that a login still
    // lets read shows its lock byte.
    void ConfirmLock() {
        ConfigBytes back{};
        int result = 0;
        if (ReadReaderBlock(*link_, 2, back, result)) {
            if (back[kLockByte] != SentValue(kLockByte, original_[kLockByte])) {
                report_.Fail(kExitStatus, "verify: the reader did not take the lock");
            }
        } else if (result == kStatusLoginRequest) {
            verifyLines_.push_back("locked: the reader refuses reads until a login");
        } else {
            link_->Check(result, "verify: read block 2");
        }
    }

    void ListSteps() {
        nlohmann::ordered_json commands = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < plan_.size(); ++i) {
            const WriteStep& step = plan_[i];
            const int result = results_[i];
            std::string state = dryRun_ ? "would send" : "sent";
            std::string detail;
            if (!dryRun_ && result == kNotSent) {
                state = "not sent";
            } else if (!dryRun_ && result < 0) {
                state = "FAILED";
                detail = KestraLink::ErrorText(result) + " (" + std::to_string(result) +
                         "); it may have reached the reader";
            } else if (!dryRun_ && result > 0) {
                state = "FAILED";
                detail =
                    "reader status " + Hex(static_cast<std::uint8_t>(result)) + ": not written";
            }
            report_.lines.push_back(state + " " + step.Label() +
                                    (detail.empty() ? "" : ": " + detail));
            nlohmann::ordered_json entry = {{"page", step.page->caption},
                                            {"command", CommandName(step.code)},
                                            {"code", step.code},
                                            {"type", step.type},
                                            {"result", state == "FAILED" ? "failed" : state}};
            if (!detail.empty()) {
                entry["detail"] = detail;
            }
            commands.push_back(entry);
        }
        report_.json["commands"] = commands;
    }

    // How to finish a write that stopped, or to put back what the reader held.
    void Resume() {
        const std::string again =
            link_->CommandPrefix() + " write-config " + path_ + (verify_ ? " --verify" : "");
        const std::string restore = link_->CommandPrefix() + " write-config BEFORE.rdr";
        report_.lines.push_back("to finish the write (every value is sent again): " + again);
        report_.lines.push_back("to restore the copy kept with read-config before: " + restore);
        report_.json["resume"] = again;
        report_.json["restore"] = restore;
    }

    KestraLink* link_;
    std::string path_;
    bool verify_;
    bool dryRun_;
    LinkedDocument file_;
    ConfigBytes original_;
    std::vector<WriteStep> plan_;
    std::vector<int> results_;
    std::vector<std::string> verifyLines_;
    bool partlyWritten_ = false;
    KestraReport report_;
};

} // namespace

KestraReport ReadConfig(KestraLink& link, const std::string& path) {
    // Nothing is asked of the reader for a file that cannot be written.
    if (const std::string kind = NonRegularFileKind(path); !kind.empty()) {
        throw KestraError(kExitUsage, path + " is " + kind + ", not a regular file");
    }
    LinkedDocument doc(&link);
    doc.ReadFromReader();
    // The pages take their values from the blocks read; the file keeps the blocks whole, so
    // that bytes no page shows (the calibration value) are the reader's too.
    unsigned char blocks[kConfigBytes] = {};
    doc.Modul().Answer().GetBytes("62 00 00 16 00 00", blocks, kConfigBytes);
    std::copy(std::begin(blocks), std::end(blocks), doc.Modul().Image(1).begin());
    doc.Doc().SetTitle(std::filesystem::path(path).filename().string());
    if (!doc.Doc().SaveFile(path)) {
        throw KestraError(kExitUsage, doc.Doc().FileError().empty() ? path + ": cannot be written"
                                                                    : doc.Doc().FileError());
    }
    std::uint8_t type = 0;
    doc.Modul().Answer().GetByte(kHardwareTypeDescriptor, type);
    const std::string typeText = Hex(type);
    KestraReport report;
    report.json["file"] = path;
    report.json["reader_type"] = typeText;
    report.json["model"] = ModelName(type);
    report.json["software_version"] = doc.Modul().SoftwareVersionText();
    report.lines.push_back("saved " + path + " (reader type " + typeText + ", " + ModelName(type) +
                           ", software " + doc.Modul().SoftwareVersionText() + ")");
    return report;
}

ReaderFileFacts InspectReaderFile(const std::string& path) {
    LinkedDocument file(nullptr, path);
    ReaderFileFacts facts;
    facts.bytes = ImageBytes(file.Modul());
    file.Modul().Answer().GetByte(kHardwareTypeDescriptor, facts.hardwareType);
    return facts;
}

KestraReport WriteConfig(KestraLink* link, const std::string& path, bool verify, bool dryRun) {
    return ConfigWriter(link, path, verify, dryRun).Run();
}

KestraReport Diff(KestraLink* link, const std::string& path,
                  const std::optional<std::string>& other) {
    LinkedDocument file(nullptr, path);
    std::unique_ptr<LinkedDocument> second;
    if (other) {
        second = std::make_unique<LinkedDocument>(nullptr, *other);
    } else {
        second = std::make_unique<LinkedDocument>(nullptr);
        const ConfigBytes bytes = ReadReaderBytes(*link, "diff");
        std::copy(bytes.begin(), bytes.end(), second->Modul().Image(1).begin());
    }
    KestraReport report;
    const std::vector<Difference> differences = Differences(file.Modul(), second->Modul());
    ReportDifferences(differences, report.lines, report.json["differences"]);
    if (std::any_of(differences.begin(), differences.end(),
                    [](const Difference& d) { return !d.asSent; })) {
        report.exitCode = kExitStatus;
    }
    return report;
}

} // namespace kestra_cli
