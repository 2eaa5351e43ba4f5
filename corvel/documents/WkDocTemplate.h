#pragma once
// A document template: the description string with its fields, the factory of its
// documents and the list of its open documents.
//
// The list of open documents is read from other threads (the protocol window route), so it
// is guarded; everything else is used on the user-interface thread.

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class WkDocument;

class WkDocTemplate {
public:
    using Factory = std::function<std::shared_ptr<WkDocument>()>;

    /// Description fields, separated by "\n": 0 window title, 1 document name, 2 new-file
    /// name, 3 filter name, 4 filter extension, 5 file type id, 6 file type name.
    enum DocStringIndex {
        kWindowTitle = 0,
        kDocName = 1,
        kFileNewName = 2,
        kFilterName = 3,
        kFilterExt = 4,
        kRegFileTypeId = 5,
        kRegFileTypeName = 6
    };

    WkDocTemplate(int resourceId, std::string description, Factory factory);

    int ResourceId() const { return resourceId_; }
    const std::string& Description() const { return description_; }
    /// The field of the description string, empty when it has fewer fields.
    std::string DocString(int index) const;
    const std::string& DocumentName() const { return documentName_; }
    /// The file dialogs' filter of this type, for example "Reader Files(*.rdr)".
    std::string FileFilter() const { return DocString(kFilterName); }
    /// The type's file extension with its point, for example ".rdr"; empty when it has none.
    std::string DefaultExtension() const { return DocString(kFilterExt); }
    /// `path` with the type's extension added when its file name has no extension at all
    /// ("run1" becomes "run1.log"; "run1.txt" and "run1.log" stay).
    std::string WithDefaultExtension(const std::string& path) const;

    /// A new document of this template, not yet in the list; none when the factory fails.
    std::shared_ptr<WkDocument> CreateDocument();
    /// The default title of the next new document: the new-file name and a running number.
    std::string NextDefaultTitle();

    void AddDocument(const std::shared_ptr<WkDocument>& document);
    void RemoveDocument(const WkDocument* document);
    std::vector<std::shared_ptr<WkDocument>> Documents() const;
    std::shared_ptr<WkDocument> FirstDocument() const;
    std::shared_ptr<WkDocument> LastDocument() const;
    std::size_t DocumentCount() const;

private:
    int resourceId_;
    std::string description_;
    std::string documentName_;
    Factory factory_;
    int untitledCount_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<WkDocument>> documents_;
};
