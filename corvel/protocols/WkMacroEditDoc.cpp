#include "WkMacroEditDoc.h"

#include "WkCommandComment.h"
#include "WkFileInfoHeader.h"
#include "WkMacroEditItem.h"

WkMacroEditDoc::WkMacroEditDoc(int readerHandle)
    : WkProtocolListDoc(WkFileInfoHeader::kMacroType, kCaption, WkMacroEditItem::kRuntimeClass,
                        readerHandle) {}

std::unique_ptr<WkProtocolItem> WkMacroEditDoc::MakeItem() const {
    return std::make_unique<WkMacroEditItem>();
}

void WkMacroEditDoc::AppendProtocol(const std::string& protocol) {
    AppendItem(std::make_unique<WkMacroEditItem>(protocol, WkCommandComment(protocol), false));
    UpdateAllViews(nullptr, kHintAppended);
}
