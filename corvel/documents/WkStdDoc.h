#pragma once
// Base of the editor documents: the document base with a reader handle, as the owner of data
// modules, loading and saving through the archive encoding.

#include "WkDocument.h"
#include "WkModulOwner.h"

#include <string>
#include <vector>

class WkArchive;

/// A workbench document stored through the archive encoding; the framework's part is done by
/// the views.
class WkStdDoc : public WkDocument, public WkModulOwner {
public:
    WkStdDoc();
    ~WkStdDoc() override;

    /// Reader object of the reader library; 0 when the document has none.
    int GetReaderHandle() const override { return readerHandle_; }
    void SetReaderHandle(int handle) { readerHandle_ = handle; }

    /// Sets the modified flag; views are told when it changes. Data modules reach the one
    /// flag of the document base through this.
    void SetModifiedFlag(bool modified = true) override { WkDocument::SetModifiedFlag(modified); }

    using WkDocument::UpdateAllViews;
    void UpdateAllViews(int hint) override { UpdateAllViews(nullptr, hint); }

    void BeginWaitCursor() override { GetPrompts().BeginWaitCursor(); }
    void EndWaitCursor() override { GetPrompts().EndWaitCursor(); }

    /// Writes or reads the document's data; the base writes nothing.
    virtual void Serialize(WkArchive& ar);

    /// The file type (header entry 0, such as "RDR-02") a file must name to load into this
    /// document; only its kind before the '-' is compared. Empty: any file type loads.
    virtual std::string ExpectedFileType() const { return {}; }

    /// The bytes Serialize stores.
    std::vector<unsigned char> StoreToBytes();
    /// Reads the document from `bytes`; false when the bytes do not hold the document's
    /// layout (a document to be discarded) or name another file type (nothing changed; the
    /// file error names both types).
    bool LoadFromBytes(const std::vector<unsigned char>& bytes);

    /// Saves to `path` atomically (WriteFileAtomically), so a failed save leaves the previous
    /// file whole and anything but a regular file is never replaced. On success the path is
    /// remembered and the modified flag cleared; on failure the file error says why.
    bool SaveFile(const std::string& path);
    /// Loads `path`. On success the path is remembered and the modified flag cleared; on
    /// failure the file error says why where it can.
    bool LoadFile(const std::string& path);

    /// The application's open and save: LoadFile and SaveFile.
    bool OnOpenDocument(const std::filesystem::path& path) override;
    bool OnSaveDocument(const std::filesystem::path& path) override;

private:
    int readerHandle_ = 0;
};
