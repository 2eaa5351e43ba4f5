#pragma once
// The transponder document: a WkTransponderModul saved as a ".trp" file, and the binding to
// the reader configuration document whose reader the transponder editor works through.

#include "WkFileInfoHeader.h"
#include "WkFileInfoModel.h"
#include "WkStdEditDoc.h"
#include "WkTransponderLink.h"
#include "WkTransponderModul.h"

#include <string>

class WkReaderDocLink;

/// Texts of the transponder document.
namespace WkTransponderText {
inline constexpr const char* kTitlePrefix = "TransponderEditor - ";
inline constexpr const char* kTypeLabel = "Transponder Type:";
inline constexpr const char* kOffline = "Offline";
} // namespace WkTransponderText

/// A transponder document; online while bound to a reader document that has a COM port.
class WkTransponderEditDoc : public WkStdEditDoc, public WkTransponderLink {
public:
    /// Where the frame of a new or opened document is placed.
    static constexpr WkRect kFrameRect{20, 20, 640, 320};

    WkTransponderEditDoc();
    /// Leaves the reader document's list if still bound.
    ~WkTransponderEditDoc() override;

    WkTransponderModul& Modul() { return *static_cast<WkTransponderModul*>(GetDataModul()); }
    const WkTransponderModul& Modul() const {
        return *static_cast<const WkTransponderModul*>(GetDataModul());
    }

    void Serialize(WkArchive& ar) override;
    /// Only a transponder file ("TRP-") opens as a transponder document.
    std::string ExpectedFileType() const override { return WkFileInfoHeader::kTransponderType; }

    /// The name part of the title; SetTitle stores it and shows "TransponderEditor - " + name.
    const std::string& GetFileName() const { return fileName_; }
    void SetTitle(const std::string& name) override;

    /// New and opened documents ask for their frame at kFrameRect.
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::filesystem::path& path) override;

    /// The save dialog proposes the name, without the title's prefix.
    std::string SaveNameProposal() const override { return fileName_; }

    /// Binds the document to `reader` (null: unbinds). A reader document given is told to
    /// list this document and records its name; one bound before is left. Not owned.
    void BindToReader(WkReaderDocLink* reader);
    WkReaderDocLink* GetReaderDocument() const { return Modul().GetReader(); }

    // WkTransponderLink: "BUSADR", "COMNR" and "FILENAME" set the status texts; the views
    // are refreshed. Closing the reader shows "Message to <name>: Reader will be closed.",
    // unbinds and goes offline.
    void OnLinkedTo(WkReaderDocLink& reader) override;
    void OnReaderParameter(const std::string& key, const std::string& value) override;
    void OnReaderClosing() override;

    const std::string& BusAddressText() const { return busAddress_; }
    const std::string& ComPortText() const { return comPort_; }
    const std::string& ReaderFileText() const { return readerFile_; }

    /// Recomputes the status line from the binding and the COM port text, sets the online
    /// flag to match and returns the text.
    std::string RefreshStatus();
    bool IsOnline() const { return online_; }

    /// After a save (the views' pending edits were committed before it), a bound reader
    /// document records the name again: it may have changed.
    void OnDocumentSaved(const std::filesystem::path& path) override;
    /// Leaves the reader document's list.
    void OnCloseDocument() override;

    /// The File Info dialog's data: mask 95 with the transponder type row.
    std::optional<WkFileInfoModel> GetFileInfo() override;
    bool HasFileInfo() const override { return true; }

private:
    std::string LinkName() const;

    std::string fileName_;
    std::string busAddress_;
    std::string comPort_;
    std::string readerFile_;
    bool online_ = false;
};
