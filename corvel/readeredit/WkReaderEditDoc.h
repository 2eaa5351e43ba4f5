#pragma once
// The reader configuration document: one reader's stored configuration and the connection
// values the workbench reaches it with, kept in a VELKReaderModul and stored as a ".rdr" file
// (the module's archive and nothing else). It owns a reader object of the reader library for
// its whole life and keeps the transponder documents linked to it.

#include "VELKReaderModul.h"
#include "WkFileInfoHeader.h"
#include "WkFileInfoModel.h"
#include "WkReaderDocLink.h"
#include "WkStdEditDoc.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class WkReaderEditHost;
class WkReaderEditViewModel;
class WkTransponderLink;

class WkReaderEditDoc : public WkStdEditDoc, public WkReaderDocLink {
public:
    static constexpr const char* kTitlePrefix = "ReaderEditor - ";
    static constexpr const char* kTypeText = "KR";
    /// Base-image values of a reader file. Descriptors "CC BB PP LL bb nn": command code in
    /// hex, then block (16 bytes), byte position, byte length, lowest bit and bit count in
    /// decimal.
    static constexpr const char* kBusAddress = "00 00 00 01 00 00";
    static constexpr const char* kPortNumber = "00 00 01 01 00 00";
    static constexpr const char* kLinkFlag = "00 00 04 01 00 01";
    /// Info string that holds the path of the linked transponder file.
    static constexpr int kLinkedPathEntry = 7;
    /// Where new and opened documents put their frame window.
    static constexpr WkRect kFrameRect{0, 0, 620, 300};
    /// Asked before configuration values that never came from a reader, a file or a reset
    /// are sent (No is the default).
    static constexpr const char* kUnknownPageQuestion =
        "The values on this page were not read from a reader or loaded from a file. Send them "
        "anyway?";
    static constexpr const char* kUnknownPagesQuestion =
        "The values on these pages were not read from a reader or loaded from a file. Send them "
        "anyway?";

    /// `host` is not owned and may be null (no reader objects, no dialogs: offline).
    explicit WkReaderEditDoc(WkReaderEditHost* host);
    /// The document shares `host`, which lives as long as the longest-lived of its documents.
    explicit WkReaderEditDoc(std::shared_ptr<WkReaderEditHost> host);
    /// Deletes the reader object, if there is one.
    ~WkReaderEditDoc() override;

    VELKReaderModul& Modul() { return *modul_; }
    WkReaderEditHost* Host() const { return host_; }

    /// New document: frame placed, a reader object created when there is none yet, bus
    /// address 255, written flag set. Always succeeds.
    bool OnNewDocument() override;
    /// Reads `path`; false (and nothing changed) when it is not a reader file. Otherwise the
    /// frame is placed and a reader object created as for a new document; a file whose
    /// configuration image does not cover blocks 0 to 2 opens with MissingConfigText shown.
    bool OnOpenDocument(const std::filesystem::path& path) override;
    /// Stores or loads the module; storing sets the written flag.
    void Serialize(WkArchive& ar) override;
    /// Only a reader configuration file ("RDR-") opens as a reader document.
    std::string ExpectedFileType() const override { return WkFileInfoHeader::kReaderType; }
    /// Empty when the last file loaded held the whole of configuration blocks 0 to 2 (or
    /// nothing was loaded); otherwise the warning that names the bytes it lacks, which the
    /// module holds as zeros and a send would write to the reader.
    std::string MissingConfigText() const;

    /// Stores `name`, tells every linked transponder document "FILENAME" and titles the
    /// document "ReaderEditor - " + name.
    void SetTitle(const std::string& name) override;
    /// The name last given to SetTitle.
    const std::string& StoredName() const { return storedName_; }
    /// Set by a new document and by every store.
    bool IsWritten() const { return written_; }

    /// The save dialog proposes the stored name, not the frame title.
    std::string SaveNameProposal() const override { return storedName_; }
    /// Before the frame closes: work under way in the view (baud rate detection) is
    /// cancelled, views commit their fields (hint 1), then the active page commits (the base's
    /// pending edits); false when a value is out of range.
    bool CanCloseFrame() override;
    /// The document closes: work under way in the view is cancelled, every linked transponder
    /// document is told, the list emptied.
    void OnCloseDocument() override;

    /// The File Info dialog's content: every row, reader type and software version from the
    /// last software-version answer.
    WkFileInfoModel MakeFileInfo();
    std::optional<WkFileInfoModel> GetFileInfo() override { return MakeFileInfo(); }
    bool HasFileInfo() const override { return true; }

    /// "Reset Editor...": marks the document modified, asks for a reader type and loads its
    /// default configuration into this document. How the workbench reaches the reader stays:
    /// path and name, bus address, port, link flag, comment and linked transponder file. A
    /// file found nowhere, or one that does not load, shows "Cannot open " + its name.
    /// Returns true when loaded.
    bool SelectReaderType();

    /// The link step after the document was created (`isNew`) or opened: reopens the linked
    /// transponder file through the first view, or for a new document a new transponder
    /// editor. A link that cannot be followed is dropped.
    void LinkAtOpen(bool isNew);
    /// Clears the link flag and info string 7.
    void DropLink();

    /// The port number text the view chose; told to linked documents as "COMNR".
    void SetPortText(const std::string& text) { portText_ = text; }
    /// Stores the bus address (base-image byte 0, marking the document when it changed) and
    /// tells the linked transponder documents when it changed.
    void SetBusAddress(std::uint8_t address);
    /// Tells every linked transponder document `key` = `value`.
    void TellLinked(const std::string& key, const std::string& value);

    /// Whether configuration blocks `blocks` (0 .. 2) may be sent: their values came from the
    /// reader, a file or a reset, or the user says Yes to `question`. A Yes counts for later
    /// sends of the same blocks.
    bool ConfirmSend(const std::vector<int>& blocks, const char* question);
    /// Tells the user what a send or read came to: the protocol window and the status bar.
    void Report(const std::string& text);
    /// Shows the outcome of a command beside the editor's buttons and in the status bar.
    void ShowOutcome(const std::string& text);
    /// The bus address as "%3d".
    std::string BusAddressText() const;
    const std::vector<WkTransponderLink*>& LinkedTransponders() const { return linked_; }

    /// The first view that is a reader configuration view model, or null.
    WkReaderEditViewModel* EditView() const;

    // WkReaderDocLink
    int LinkedReaderHandle() const override { return GetReaderHandle(); }
    std::uint8_t LinkedBusAddress() const override;
    std::string LinkedPortText() const override { return portText_; }
    std::string LinkedReaderName() const override { return storedName_; }
    void LinkTransponder(WkTransponderLink& transponder, const std::string& path) override;
    void UnlinkTransponder(WkTransponderLink& transponder) override;

private:
    void CreateReaderIfNone();
    // Tells the linked transponder documents the bus address when it is not the one they
    // were told last.
    void TellConnection();
    // The configuration blocks the last loaded file held whole count as known.
    void KnowLoadedBlocks();

    std::shared_ptr<WkReaderEditHost> sharedHost_;
    WkReaderEditHost* host_;
    VELKReaderModul* modul_;
    std::string storedName_;
    std::string portText_;
    std::vector<WkTransponderLink*> linked_;
    std::optional<std::uint8_t> toldBusAddress_;
    // Configuration blocks whose values came from a file or a reset, or that the user
    // agreed to send; a block the reader module holds as read counts too.
    std::array<bool, 3> known_{};
    bool written_ = false;
    /// Bytes of the configuration image the last loaded file held (padded after that).
    std::size_t configBytesLoaded_ = kConfigBlockBytes;
    static constexpr std::size_t kConfigBlockBytes = 48; ///< blocks 0, 1, 2 of 16 bytes
};
