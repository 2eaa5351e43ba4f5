// Each editor adds one line to each function below: its template (document factory) and its
// view (a widget that implements WkDocumentView), for example
//     templates.Register(std::make_unique<WkDocTemplate>(
//         CorvelTemplates::kReadId, CorvelTemplates::kRead,
//         [&app]() -> std::shared_ptr<WkDocument> { return std::make_shared<WkReaderEditDoc>(app);
//         }));
//     frame.RegisterView("Read", [&app](const std::shared_ptr<WkDocument>& document) {
//         return new WkReaderEditView(app, document);
//     });

#include "WkEditors.h"

#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkTemplateList.h"

void RegisterEditorTemplates(CorvelApp& app, WkTemplateList& templates) {
    (void)app;
    (void)templates;
}

void RegisterEditorViews(CorvelApp& app, CMainFrame& frame) {
    (void)app;
    (void)frame;
}
