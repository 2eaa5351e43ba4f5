#include "WkAppReaderEditHost.h"

#include "CorvelApp.h"
#include "WkDocTemplate.h"
#include "WkDocument.h"
#include "WkPrompts.h"
#include "WkReaderDefaults.h"
#include "WkStdDoc.h"
#include "WkTransponderLink.h"
#include "velk.h"

int WkAppReaderEditHost::CreateReaderObject(int portHandle) {
    return app_.CreateReaderObject(portHandle);
}

int WkAppReaderEditHost::DeleteReader(int handle) {
    return VELK_DeleteReader(handle);
}

int WkAppReaderEditHost::SelectComPort() {
    return app_.SelectComPort();
}

int WkAppReaderEditHost::SelectReaderType() {
    return app_.UserPrompts().SelectReaderType();
}

WkLibraries& WkAppReaderEditHost::Libraries() {
    return app_.Libraries();
}

Prompts& WkAppReaderEditHost::UserPrompts() {
    return app_.UserPrompts();
}

bool WkAppReaderEditHost::AppendToProtocolWindow(const std::string& text) {
    return app_.AppendToProtocolWindow(text);
}

WkTransponderLink* WkAppReaderEditHost::OpenTransponderDocument(const std::string& path,
                                                                bool& noTemplate) {
    WkDocTemplate* trans = app_.FindTemplate(WkDocKind::Transponder);
    noTemplate = trans == nullptr;
    if (trans == nullptr) {
        return nullptr;
    }
    const bool opened = path.empty() ? app_.NewDocument(WkDocKind::Transponder, true)
                                     : app_.OpenFileByExtension(path, true);
    if (!opened) {
        return nullptr;
    }
    return dynamic_cast<WkTransponderLink*>(trans->LastDocument().get());
}

void WkAppReaderEditHost::UpdateTransponderViews(WkTransponderLink& transponder, int hint) {
    if (auto* document = dynamic_cast<WkStdDoc*>(&transponder)) {
        document->UpdateAllViews(hint);
    }
}

std::vector<std::filesystem::path> WkAppReaderEditHost::DataFolders() {
    return WkReaderDefaults::SearchFolders();
}
