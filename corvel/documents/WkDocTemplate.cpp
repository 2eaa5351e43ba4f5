#include "WkDocTemplate.h"

#include "WkDocument.h"

#include <algorithm>

WkDocTemplate::WkDocTemplate(int resourceId, std::string description, Factory factory)
    : resourceId_(resourceId), description_(std::move(description)), factory_(std::move(factory)) {
    documentName_ = DocString(kDocName);
}

std::string WkDocTemplate::DocString(int index) const {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = description_.find('\n', start);
        if (start == std::string::npos) {
            return {};
        }
        ++start;
    }
    std::size_t end = description_.find('\n', start);
    return description_.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string WkDocTemplate::WithDefaultExtension(const std::string& path) const {
    const std::string extension = DefaultExtension();
    const std::filesystem::path name = std::filesystem::path(path).filename();
    if (extension.empty() || name.empty() || name.has_extension()) {
        return path;
    }
    return path + extension;
}

std::shared_ptr<WkDocument> WkDocTemplate::CreateDocument() {
    if (!factory_) {
        return nullptr;
    }
    std::shared_ptr<WkDocument> document = factory_();
    if (document) {
        document->SetTemplate(this);
    }
    return document;
}

std::string WkDocTemplate::NextDefaultTitle() {
    return DocString(kFileNewName) + std::to_string(++untitledCount_);
}

void WkDocTemplate::AddDocument(const std::shared_ptr<WkDocument>& document) {
    std::lock_guard lock(mutex_);
    documents_.push_back(document);
}

void WkDocTemplate::RemoveDocument(const WkDocument* document) {
    std::lock_guard lock(mutex_);
    std::erase_if(documents_, [document](const auto& d) { return d.get() == document; });
}

std::vector<std::shared_ptr<WkDocument>> WkDocTemplate::Documents() const {
    std::lock_guard lock(mutex_);
    return documents_;
}

std::shared_ptr<WkDocument> WkDocTemplate::FirstDocument() const {
    std::lock_guard lock(mutex_);
    return documents_.empty() ? nullptr : documents_.front();
}

std::shared_ptr<WkDocument> WkDocTemplate::LastDocument() const {
    std::lock_guard lock(mutex_);
    return documents_.empty() ? nullptr : documents_.back();
}

std::size_t WkDocTemplate::DocumentCount() const {
    std::lock_guard lock(mutex_);
    return documents_.size();
}
