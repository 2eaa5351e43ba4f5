#include "WkReaderDocuments.h"

#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkReaderEditDoc.h"
#include "WkTemplateList.h"

#include <memory>

WkDocTemplate& WkReaderDocuments::RegisterTemplate(WkTemplateList& templates,
                                                   std::shared_ptr<WkReaderEditHost> host) {
    return templates.Register(
        std::make_unique<WkDocTemplate>(CorvelTemplates::kReadId, CorvelTemplates::kRead,
                                        [host = std::move(host)]() -> std::shared_ptr<WkDocument> {
                                            return std::make_shared<WkReaderEditDoc>(host);
                                        }));
}

std::vector<WkReaderEditDoc*> WkReaderDocuments::Open(const WkTemplateList& templates) {
    std::vector<WkReaderEditDoc*> open;
    if (WkDocTemplate* read = FindTemplate(templates, WkDocKind::Reader)) {
        for (const auto& document : read->Documents()) {
            if (auto* reader = dynamic_cast<WkReaderEditDoc*>(document.get())) {
                open.push_back(reader);
            }
        }
    }
    return open;
}

std::vector<WkReaderDocInfo> WkReaderDocuments::SelectionInfo(const WkTemplateList& templates) {
    std::vector<WkReaderDocInfo> infos;
    for (WkReaderEditDoc* document : Open(templates)) {
        infos.push_back(
            {document->GetReaderHandle(), document->LinkedBusAddress(), document->StoredName()});
    }
    return infos;
}

std::vector<WkPortUser> WkReaderDocuments::PortUsers(const WkTemplateList& templates) {
    std::vector<WkPortUser> users;
    for (WkReaderEditDoc* document : Open(templates)) {
        users.push_back({WkPortUser::Kind::Reader, document->GetReaderHandle(),
                         document->LinkedBusAddress(), document->StoredName()});
    }
    return users;
}

WkReaderEditDoc* WkReaderDocuments::FindByReader(const WkTemplateList& templates,
                                                 int readerHandle) {
    for (WkReaderEditDoc* document : Open(templates)) {
        if (readerHandle > 0 && document->GetReaderHandle() == readerHandle) {
            return document;
        }
    }
    return nullptr;
}

void WkReaderDocuments::LinkLast(const WkTemplateList& templates, bool isNew) {
    const std::vector<WkReaderEditDoc*> open = Open(templates);
    if (!open.empty()) {
        open.back()->LinkAtOpen(isNew);
    }
}
