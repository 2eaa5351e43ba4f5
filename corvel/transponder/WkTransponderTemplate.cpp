#include "WkTransponderTemplate.h"

#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkReaderChoice.h"
#include "WkReaderDocLink.h"
#include "WkReaderEditDoc.h"
#include "WkTemplateList.h"
#include "WkTransponderEditDoc.h"

#include <memory>

WkDocTemplate& WkTransponderTemplate::Register(WkTemplateList& templates) {
    return templates.Register(
        std::make_unique<WkDocTemplate>(CorvelTemplates::kTransId, CorvelTemplates::kTrans,
                                        [] { return std::make_shared<WkTransponderEditDoc>(); }));
}

bool WkTransponderTemplate::Bind(WkDocument& transponder,
                                 const std::vector<WkReaderDocLink*>& readers,
                                 const WkReaderSelection& selection) {
    auto* document = dynamic_cast<WkTransponderEditDoc*>(&transponder);
    if (document == nullptr) {
        return false;
    }
    for (WkReaderDocLink* reader : readers) {
        if (reader != nullptr && reader->LinkedReaderHandle() == selection.readerHandle) {
            document->BindToReader(reader);
            document->OnReaderParameter(WkReaderParam::kBusAddress, selection.busAddress);
            document->OnReaderParameter(WkReaderParam::kComNumber, selection.portText);
            document->OnReaderParameter(WkReaderParam::kFileName, selection.storedName);
            document->UpdateAllViews(nullptr, kHintReload);
            return true;
        }
    }
    return false;
}

std::vector<WkReaderEditDoc*> WkTransponderTemplate::OpenReaders(const CorvelApp& app) {
    std::vector<WkReaderEditDoc*> readers;
    if (WkDocTemplate* read = app.FindTemplate("Read")) {
        for (const auto& document : read->Documents()) {
            if (auto* reader = dynamic_cast<WkReaderEditDoc*>(document.get())) {
                readers.push_back(reader);
            }
        }
    }
    return readers;
}

std::vector<WkReaderDocInfo> WkTransponderTemplate::ReaderInfos(const CorvelApp& app) {
    std::vector<WkReaderDocInfo> infos;
    for (WkReaderEditDoc* reader : OpenReaders(app)) {
        infos.push_back(
            {reader->GetReaderHandle(), reader->LinkedBusAddress(), reader->StoredName()});
    }
    return infos;
}

bool WkTransponderTemplate::Bind(const CorvelApp& app, WkDocument& transponder,
                                 const WkReaderSelection& selection) {
    const std::vector<WkReaderEditDoc*> open = OpenReaders(app);
    return Bind(transponder, std::vector<WkReaderDocLink*>(open.begin(), open.end()), selection);
}
