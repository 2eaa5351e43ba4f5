#pragma once
// A document as the application's templates keep it: title, path, modified mark, and the
// file operations. Concrete documents derive from it; windows observe it from the UI layer.

#include <filesystem>
#include <string>

class WkDocTemplate;

class WkDocument {
public:
    virtual ~WkDocument() = default;

    const std::string& Title() const { return title_; }
    /// The toolkit's route for naming a document (new default name or file name).
    virtual void SetTitle(const std::string& title) { title_ = title; }

    const std::filesystem::path& PathName() const { return path_; }
    void SetPathName(const std::filesystem::path& path) { path_ = path; }

    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    WkDocTemplate* Template() const { return template_; }
    void SetTemplate(WkDocTemplate* docTemplate) { template_ = docTemplate; }

    /// Called on a new, empty document; false makes the creation fail.
    virtual bool OnNewDocument() { return true; }
    /// Loads the file; false makes the open fail and the document is discarded.
    virtual bool OnOpenDocument(const std::filesystem::path& path) = 0;
    /// Writes the file; false when it could not be written (the previous file is kept).
    virtual bool OnSaveDocument(const std::filesystem::path& path) = 0;
    /// Runs just before the application asks whether to save changes on closing.
    virtual void BeforeSaveQuestion() {}
    /// Runs when the document is closed for good (windows are gone after this).
    virtual void OnCloseDocument() {}

private:
    std::string title_;
    std::filesystem::path path_;
    bool modified_ = false;
    WkDocTemplate* template_ = nullptr;
};
