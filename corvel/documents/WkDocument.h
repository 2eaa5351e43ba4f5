#pragma once
// The one base of every workbench document: title, path, modified flag, the views that
// observe it, the prompts it talks through, and the steps around saving and closing that the
// application runs. Concrete documents (the log, the editors) derive from it, directly or
// through WkStdDoc; the templates hold any of them.
//
// Everything here runs on the user-interface thread.

#include "Prompts.h"
#include "WkFileInfoModel.h"
#include "WkViewObserver.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class WkDocTemplate;

/// A document of the workbench, without a toolkit.
class WkDocument {
public:
    WkDocument();
    virtual ~WkDocument();
    WkDocument(const WkDocument&) = delete;
    WkDocument& operator=(const WkDocument&) = delete;

    /// The title the frame shows.
    const std::string& Title() const { return title_; }
    const std::string& GetTitle() const { return title_; }
    /// Names the document (a new default name or a file name); stores it and tells every view.
    /// Documents that compose their frame title from the name override it.
    virtual void SetTitle(const std::string& title);

    /// The file the document was loaded from or saved to; empty for a new document.
    std::filesystem::path PathName() const { return path_; }
    const std::string& GetPathName() const { return path_; }
    void SetPathName(const std::filesystem::path& path) { path_ = path.string(); }

    bool IsModified() const { return modified_; }
    /// Sets the modified flag; views are told when it changes.
    virtual void SetModifiedFlag(bool modified = true);
    void SetModified(bool modified) { SetModifiedFlag(modified); }

    /// The template that made the document; null for a document made by hand.
    WkDocTemplate* Template() const { return template_; }
    void SetTemplate(WkDocTemplate* docTemplate) { template_ = docTemplate; }

    /// Views observe the document in the order they were added; not owned. A view must be
    /// removed before it is destroyed.
    void AddView(WkViewObserver* view);
    void RemoveView(WkViewObserver* view);
    const std::vector<WkViewObserver*>& GetViews() const { return views_; }
    /// The first view, or null when the document has none.
    WkViewObserver* GetFirstView() const;
    /// Tells every view except `sender` (null: none) to update with `hint`.
    void UpdateAllViews(WkViewObserver* sender, int hint);

    // The first view's frame window; nothing happens while the document has no view, except
    // that a rectangle given then is kept for the frame that is made for the document.
    void ActivateFrame();
    void MoveFrame(const WkRect& rect, bool repaint = true);
    void SetFrameShowState(WkShowState state);
    /// The rectangle given to MoveFrame while the document had no view, once.
    std::optional<WkRect> TakePendingFrameRect();

    /// What the File Info dialog shows for this document; none when the document has no
    /// file information. The model refers to the document's header: use it at once.
    virtual std::optional<WkFileInfoModel> GetFileInfo() { return std::nullopt; }
    /// Whether the document has file information (the "Info..." command is enabled).
    virtual bool HasFileInfo() const { return false; }

    /// The prompts this document talks to the user through: its own when set, else the
    /// process's (Prompts::Current()).
    Prompts& GetPrompts() const;
    /// Not owned; null returns to the process's prompts.
    void SetPrompts(Prompts* prompts) { prompts_ = prompts; }

    /// Called on a new, empty document; false makes the creation fail.
    virtual bool OnNewDocument() { return true; }
    /// Loads the file; false makes the open fail and the document is discarded.
    virtual bool OnOpenDocument(const std::filesystem::path& path) = 0;
    /// Writes the file; false when it could not be written (the previous file is kept).
    virtual bool OnSaveDocument(const std::filesystem::path& path) = 0;

    /// Takes edits still held by the views (a control not yet committed) into the document
    /// before it is saved or closed. The base asks every view (WkViewObserver::CommitEdits)
    /// and stops at the first that refuses. False stops the save or the close.
    virtual bool CommitPendingEdits();
    /// The may-close step, before the save question on closing the document's window or
    /// leaving the program: false keeps the document open. The base commits pending edits.
    virtual bool CanCloseFrame();
    /// Runs just before the application asks whether to save changes on closing.
    virtual void BeforeSaveQuestion() {}

    /// The name the save dialog proposes; the base proposes the title.
    virtual std::string SaveNameProposal() const { return title_; }
    /// The save as the application runs it, after CommitPendingEdits: write the file, then
    /// remember the path, name the document after the file, clear the modified flag and tell
    /// the document (OnDocumentSaved) and its views (WkViewObserver::OnDocumentSaved). False
    /// when the file could not be written; the document then keeps its path, title and
    /// modified flag.
    bool Save(const std::filesystem::path& path);
    /// After a successful save, before the views hear of it.
    virtual void OnDocumentSaved(const std::filesystem::path& path) { (void)path; }

    /// Runs when the document is closed for good (windows are gone after this).
    virtual void OnCloseDocument() {}

    /// Why the last open or save failed, for the message that reports it; empty when there is
    /// nothing to add to the plain failure.
    const std::string& FileError() const { return fileError_; }
    void SetFileError(std::string text) { fileError_ = std::move(text); }

private:
    std::string title_;
    std::string path_;
    bool modified_ = false;
    WkDocTemplate* template_ = nullptr;
    std::vector<WkViewObserver*> views_;
    Prompts* prompts_ = nullptr;
    std::optional<WkRect> pendingFrameRect_;
    std::string fileError_;
};
