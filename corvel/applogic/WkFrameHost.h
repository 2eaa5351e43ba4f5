#pragma once
// What the application logic asks of the main window: windows for documents, the main
// window's appearance, the per-user settings kept under "Kestra\Corvel".

#include <memory>
#include <string>
#include <vector>

class WkDocument;

class WkFrameHost {
public:
    virtual ~WkFrameHost() = default;

    /// Creates and shows the child frame and view of a document; false when that fails.
    virtual bool CreateFrameFor(const std::shared_ptr<WkDocument>& document) = 0;
    /// Removes the windows of a document that is being closed. Asks nothing.
    virtual void DestroyFrameOf(WkDocument& document) = 0;
    /// Brings the document's frame to the front.
    virtual void ActivateFrameOf(WkDocument& document) = 0;
    /// Shows the main window maximised.
    virtual void ShowMainWindow() = 0;

    virtual std::vector<std::string> LoadRecentFiles() = 0;
    virtual void SaveRecentFiles(const std::vector<std::string>& entries) = 0;
    /// The recent-file list changed; the menu follows it.
    virtual void RecentFilesChanged() = 0;
};
