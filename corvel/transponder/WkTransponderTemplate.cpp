#include "WkTransponderTemplate.h"

#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkReaderChoice.h"
#include "WkReaderDocLink.h"
#include "WkReaderDocuments.h"
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

bool WkTransponderTemplate::Bind(const CorvelApp& app, WkDocument& transponder,
                                 const WkReaderSelection& selection) {
    const std::vector<WkReaderEditDoc*> open = WkReaderDocuments::Open(app.Templates());
    return Bind(transponder, std::vector<WkReaderDocLink*>(open.begin(), open.end()), selection);
}
