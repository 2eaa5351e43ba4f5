#include "WkMacroEditItem.h"

namespace {
std::unique_ptr<WkObject> Create() {
    return std::make_unique<WkMacroEditItem>();
}
} // namespace

const WkRuntimeClass WkMacroEditItem::kRuntimeClass = {"WkMacroEditItem", 1, &Create};

WkMacroEditItem::WkMacroEditItem(std::string protocolText, std::string commentText,
                                 bool flagValue) {
    protocol = std::move(protocolText);
    comment = std::move(commentText);
    flag = flagValue;
}

std::unique_ptr<WkProtocolItem> WkMacroEditItem::Clone() const {
    auto copy = std::make_unique<WkMacroEditItem>();
    CopyFieldsTo(*copy);
    return copy;
}
