#pragma once
// Base of all workbench documents: reader handle, title, file path, modified flag, the views
// that observe the document, and loading and saving through the archive encoding.

#include "Prompts.h"
#include "WkModulOwner.h"
#include "WkViewObserver.h"

#include <string>
#include <vector>

class WkArchive;

/// A workbench document without a toolkit: the framework's part is done by the views.
class WkStdDoc : public WkModulOwner {
public:
    WkStdDoc();
    ~WkStdDoc() override;
    WkStdDoc(const WkStdDoc&) = delete;
    WkStdDoc& operator=(const WkStdDoc&) = delete;

    /// Reader object of the reader library; 0 when the document has none.
    int GetReaderHandle() const override { return readerHandle_; }
    void SetReaderHandle(int handle) { readerHandle_ = handle; }

    const std::string& GetTitle() const { return title_; }
    /// Stores the title and tells every view.
    virtual void SetTitle(const std::string& title);

    /// The file the document was loaded from or saved to; empty for a new document.
    const std::string& GetPathName() const { return pathName_; }
    void SetPathName(const std::string& path) { pathName_ = path; }

    bool IsModified() const { return modified_; }
    /// Sets the modified flag; views are told when it changes.
    void SetModifiedFlag(bool modified = true) override;

    /// Views observe the document in the order they were added; not owned. A view must be
    /// removed before it is destroyed.
    void AddView(WkViewObserver* view);
    void RemoveView(WkViewObserver* view);
    const std::vector<WkViewObserver*>& GetViews() const { return views_; }
    /// The first view, or null when the document has none.
    WkViewObserver* GetFirstView() const;

    /// Tells every view except `sender` to update with `hint`.
    void UpdateAllViews(WkViewObserver* sender, int hint);
    void UpdateAllViews(int hint) override { UpdateAllViews(nullptr, hint); }

    // The first view's frame window; nothing happens while the document has no view.
    void ActivateFrame();
    void MoveFrame(const WkRect& rect, bool repaint = true);
    void SetFrameShowState(WkShowState state);

    /// The prompts this document talks to the user through: its own when set, else the
    /// process's (Prompts::Current()).
    Prompts& GetPrompts() const;
    /// Not owned; null returns to the process's prompts.
    void SetPrompts(Prompts* prompts) { prompts_ = prompts; }
    void BeginWaitCursor() override { GetPrompts().BeginWaitCursor(); }
    void EndWaitCursor() override { GetPrompts().EndWaitCursor(); }

    /// Writes or reads the document's data; the base writes nothing.
    virtual void Serialize(WkArchive& ar);

    /// The bytes Serialize stores.
    std::vector<unsigned char> StoreToBytes();
    /// Reads the document from `bytes`; false (and a document to be discarded) when the bytes
    /// do not hold the document's layout.
    bool LoadFromBytes(const std::vector<unsigned char>& bytes);

    /// Saves to `path` atomically (temporary file in the same folder, flushed, renamed), so a
    /// failed save leaves the previous file whole. On success the path is remembered and the
    /// modified flag cleared.
    bool SaveFile(const std::string& path);
    /// Loads `path`. On success the path is remembered and the modified flag cleared.
    bool LoadFile(const std::string& path);

private:
    int readerHandle_ = 0;
    std::string title_;
    std::string pathName_;
    bool modified_ = false;
    std::vector<WkViewObserver*> views_;
    Prompts* prompts_ = nullptr;
};
