#include "WkProtocolTemplates.h"

#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkMacroEditDoc.h"
#include "WkProtEditDoc.h"
#include "WkProtocolServices.h"
#include "WkTemplateList.h"

#include <memory>

WkDocTemplate& WkProtocolTemplates::RegisterProtocol(CorvelApp& app, WkTemplateList& templates) {
    return templates.Register(std::make_unique<WkDocTemplate>(
        CorvelTemplates::kProtId, CorvelTemplates::kProt, [&app]() -> std::shared_ptr<WkDocument> {
            return std::make_shared<WkProtEditDoc>(app.CreateReaderObject(0));
        }));
}

WkDocTemplate& WkProtocolTemplates::RegisterMacro(CorvelApp& app, WkTemplateList& templates) {
    return templates.Register(std::make_unique<WkDocTemplate>(
        CorvelTemplates::kMacroId, CorvelTemplates::kMacro,
        [&app]() -> std::shared_ptr<WkDocument> {
            return std::make_shared<WkMacroEditDoc>(app.CreateReaderObject(0));
        }));
}

bool WkProtocolTemplates::AppendToMacro(WkDocument& macro, const std::string& protocol) {
    auto* document = dynamic_cast<WkMacroEditDoc*>(&macro);
    if (document == nullptr) {
        return false;
    }
    document->AppendProtocol(protocol);
    return true;
}

WkProtocolServices WkProtocolTemplates::Services(CorvelApp& app) {
    WkProtocolServices services;
    services.libraries = &app.Libraries();
    services.selectComPort = [&app] { return app.SelectComPort(); };
    services.appendToProtocolWindow = [&app](const std::string& text) {
        return app.AppendToProtocolWindow(text);
    };
    return services;
}
