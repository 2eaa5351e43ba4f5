#include "WkDocManager.h"

#include "CorvelApp.h"
#include "Prompts.h"
#include "WkDocTemplate.h"
#include "WkDocument.h"
#include "WkFrameHost.h"
#include "WkOpenCheck.h"

#include <filesystem>

namespace {

// Before start-up there is no main window: a document made then gets no window and is
// dropped, and there are no per-user settings.
class NoFrame : public WkFrameHost {
public:
    bool CreateFrameFor(const std::shared_ptr<WkDocument>&) override { return false; }
    void DestroyFrameOf(WkDocument&) override {}
    void ActivateFrameOf(WkDocument&) override {}
    void ShowMainWindow() override {}
    std::vector<std::string> LoadRecentFiles() override { return {}; }
    void SaveRecentFiles(const std::vector<std::string>&) override {}
    void RecentFilesChanged() override {}
};

NoFrame gNoFrame;

std::string OpenFailedText(const std::string& path, const std::string& reason) {
    return std::string(CorvelText::kOpenFailed) + "\n" + path + "\n" + reason;
}

} // namespace

WkDocManager::WkDocManager(Prompts& prompts) : prompts_(prompts), frame_(&gNoFrame) {}

std::vector<std::shared_ptr<WkDocument>> WkDocManager::Documents() const {
    std::vector<std::shared_ptr<WkDocument>> documents;
    for (const auto& docTemplate : templates_.All()) {
        for (const auto& document : docTemplate->Documents()) {
            documents.push_back(document);
        }
    }
    return documents;
}

std::shared_ptr<WkDocument> WkDocManager::CreateNew(WkDocTemplate& docTemplate) {
    std::shared_ptr<WkDocument> document = docTemplate.CreateDocument();
    if (!document || !document->OnNewDocument()) {
        return nullptr;
    }
    document->SetTitle(docTemplate.NextDefaultTitle());
    return Attach(docTemplate, document) ? document : nullptr;
}

std::shared_ptr<WkDocument> WkDocManager::FindOpen(const std::string& path) const {
    for (const auto& document : Documents()) {
        if (!document->GetPathName().empty() && CanonicalPath(document->GetPathName()) == path) {
            return document;
        }
    }
    return nullptr;
}

std::shared_ptr<WkDocument> WkDocManager::Read(WkDocTemplate& docTemplate,
                                               const std::string& givenPath,
                                               const std::string& path) {
    // A FIFO or a device is never read: the read could wait for ever.
    if (std::optional<std::string> reason = UnreadableFileReason(path)) {
        prompts_.ShowMessage(OpenFailedText(givenPath, *reason));
        return nullptr;
    }
    std::shared_ptr<WkDocument> document = docTemplate.CreateDocument();
    if (!document) {
        return nullptr;
    }
    if (!document->OnOpenDocument(path)) {
        // The document's own reason (another file type, a file cut short) when it gave one.
        prompts_.ShowMessage(OpenFailedText(
            givenPath, !document->FileError().empty()
                           ? document->FileError()
                           : "The file does not hold a " +
                                 docTemplate.DocString(WkDocTemplate::kRegFileTypeName) + "."));
        return nullptr;
    }
    return document;
}

bool WkDocManager::Show(WkDocTemplate& docTemplate, const std::shared_ptr<WkDocument>& document,
                        const std::string& path) {
    document->SetPathName(path);
    document->SetTitle(std::filesystem::path(path).filename().string());
    document->SetModified(false);
    return Attach(docTemplate, document);
}

bool WkDocManager::Attach(WkDocTemplate& docTemplate, const std::shared_ptr<WkDocument>& document) {
    docTemplate.AddDocument(document);
    if (!frame_->CreateFrameFor(document)) {
        docTemplate.RemoveDocument(document.get());
        document->OnCloseDocument();
        return false;
    }
    return true;
}

void WkDocManager::CloseNow(const std::shared_ptr<WkDocument>& document) {
    document->OnCloseDocument();
    if (WkDocTemplate* docTemplate = document->Template()) {
        docTemplate->RemoveDocument(document.get());
    }
    frame_->DestroyFrameOf(*document);
}

std::string WkDocManager::CanonicalPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    if (error) {
        canonical = std::filesystem::absolute(path, error);
    }
    return error ? path : canonical.string();
}
