#include "WkProtEditDoc.h"

#include "WkFileInfoHeader.h"
#include "WkProtEditItem.h"

WkProtEditDoc::WkProtEditDoc(int readerHandle)
    : WkProtocolListDoc(WkFileInfoHeader::kProtocolType, kCaption, WkProtEditItem::kRuntimeClass,
                        readerHandle) {}

bool WkProtEditDoc::OnNewDocument() {
    WkProtocolListDoc::OnNewDocument();
    AppendItem(std::make_unique<WkProtEditItem>(kDefaultProtocol, kDefaultComment, true));
    SetModifiedFlag(false);
    return true;
}

std::unique_ptr<WkProtocolItem> WkProtEditDoc::MakeItem() const {
    return std::make_unique<WkProtEditItem>();
}
