#pragma once
// The open documents and their windows: the registered templates, new documents, documents
// read from files and shown, the one document of a file, and closing without a question.
// The questions, the recent files and what a document kind needs after opening are the
// application's (CorvelApp).

#include "WkTemplateList.h"

#include <memory>
#include <string>
#include <vector>

class Prompts;
class WkDocTemplate;
class WkDocument;
class WkFrameHost;

class WkDocManager {
public:
    /// `prompts` tells why a file does not open; not owned.
    explicit WkDocManager(Prompts& prompts);

    WkTemplateList& Templates() { return templates_; }
    const WkTemplateList& Templates() const { return templates_; }
    /// The main window from start-up on; before, documents get no window and are dropped.
    void SetFrame(WkFrameHost& frame) { frame_ = &frame; }
    WkFrameHost& Frame() const { return *frame_; }

    /// Every open document, template by template.
    std::vector<std::shared_ptr<WkDocument>> Documents() const;
    /// A new document of `docTemplate` in a window of its own; none when that fails.
    std::shared_ptr<WkDocument> CreateNew(WkDocTemplate& docTemplate);
    /// The open document whose file has the canonical path `path`, or none.
    std::shared_ptr<WkDocument> FindOpen(const std::string& path) const;
    /// Reads the file at the canonical `path` (named `givenPath` by the user) into a new
    /// document of `docTemplate`, not yet shown; none, with the reason told, when the file
    /// cannot be read (a FIFO or a device is never read) or holds no such document.
    std::shared_ptr<WkDocument> Read(WkDocTemplate& docTemplate, const std::string& givenPath,
                                     const std::string& path);
    /// Shows a document made by Read as the file `path`, unmodified; false (and the document
    /// closed) when it gets no window.
    bool Show(WkDocTemplate& docTemplate, const std::shared_ptr<WkDocument>& document,
              const std::string& path);
    /// Closes a document and removes its window, asking nothing.
    void CloseNow(const std::shared_ptr<WkDocument>& document);

    /// The full path with symbolic links and "." and ".." resolved, so that one file has one
    /// name whatever folder the program runs in; `path` itself when it cannot be resolved.
    static std::string CanonicalPath(const std::string& path);

private:
    /// Lists `document` with its template and gives it a window; false (and the document
    /// closed) when it gets none.
    bool Attach(WkDocTemplate& docTemplate, const std::shared_ptr<WkDocument>& document);

    Prompts& prompts_;
    WkTemplateList templates_;
    WkFrameHost* frame_;
};
