// Each editor adds one line to each function below: its template (document factory) and its
// view (a widget that implements WkDocumentView), for example
//     templates.Register(std::make_unique<WkDocTemplate>(
//         CorvelTemplates::kReadId, CorvelTemplates::kRead,
//         [&app]() -> std::shared_ptr<WkDocument> { return std::make_shared<WkReaderEditDoc>(app);
//         }));
//     frame.RegisterView(WkDocKind::Reader, [&app](const std::shared_ptr<WkDocument>& document) {
//         return new WkReaderEditView(app, document);
//     });

#include "WkEditors.h"

#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkAppReaderEditHost.h"
#include "WkDocTemplate.h"
#include "WkMacroEditDoc.h"
#include "WkMacroEditView.h"
#include "WkProtEditDoc.h"
#include "WkProtEditView.h"
#include "WkProtocolTemplates.h"
#include "WkReaderDocuments.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditView.h"
#include "WkTemplateList.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditView.h"
#include "WkTransponderTemplate.h"

void RegisterEditorTemplates(CorvelApp& app, WkTemplateList& templates) {
    WkProtocolTemplates::RegisterProtocol(app, templates);
    WkTransponderTemplate::Register(templates);
    WkReaderDocuments::RegisterTemplate(templates, std::make_shared<WkAppReaderEditHost>(app));
}

void RegisterLateEditorTemplates(CorvelApp& app, WkTemplateList& templates) {
    WkProtocolTemplates::RegisterMacro(app, templates);
}

CorvelDocumentHooks EditorDocumentHooks() {
    CorvelDocumentHooks hooks;
    hooks.registerTemplates = [](CorvelApp& app, WkTemplateList& templates) {
        RegisterEditorTemplates(app, templates);
        RegisterLateEditorTemplates(app, templates);
    };
    hooks.appendToMacro = &WkProtocolTemplates::AppendToMacro;
    hooks.listReaderDocuments = [](const CorvelApp& app) {
        return WkReaderDocuments::SelectionInfo(app.Templates());
    };
    hooks.linkReader = [](CorvelApp& app, bool isNew) {
        WkReaderDocuments::LinkLast(app.Templates(), isNew);
    };
    hooks.bindTransponder = [](CorvelApp& app, WkDocument& transponder,
                               const WkReaderSelection& reader) {
        WkTransponderTemplate::Bind(app, transponder, reader);
    };
    return hooks;
}

void RegisterEditorViews(CorvelApp& app, CMainFrame& frame) {
    frame.RegisterView(WkDocKind::Reader,
                       [](const std::shared_ptr<WkDocument>& document) -> QWidget* {
                           auto reader = std::dynamic_pointer_cast<WkReaderEditDoc>(document);
                           return reader ? new WkReaderEditView(reader) : nullptr;
                       });
    frame.RegisterView(WkDocKind::Protocol,
                       [&app](const std::shared_ptr<WkDocument>& document) -> QWidget* {
                           auto protocols = std::dynamic_pointer_cast<WkProtEditDoc>(document);
                           return protocols ? new WkProtEditView(app, protocols) : nullptr;
                       });
    frame.RegisterView(WkDocKind::Macro,
                       [&app](const std::shared_ptr<WkDocument>& document) -> QWidget* {
                           auto macro = std::dynamic_pointer_cast<WkMacroEditDoc>(document);
                           return macro ? new WkMacroEditView(app, macro) : nullptr;
                       });
    frame.RegisterView(
        WkDocKind::Transponder, [](const std::shared_ptr<WkDocument>& document) -> QWidget* {
            auto transponder = std::dynamic_pointer_cast<WkTransponderEditDoc>(document);
            return transponder ? new WkTransponderEditView(transponder) : nullptr;
        });
}
