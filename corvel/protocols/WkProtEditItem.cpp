#include "WkProtEditItem.h"

namespace {
std::unique_ptr<WkObject> Create() {
    return std::make_unique<WkProtEditItem>();
}
} // namespace

const WkRuntimeClass WkProtEditItem::kRuntimeClass = {"WkProtEditItem", 1, &Create};

WkProtEditItem::WkProtEditItem(std::string protocolText, std::string commentText, bool flagValue) {
    protocol = std::move(protocolText);
    comment = std::move(commentText);
    flag = flagValue;
}

std::unique_ptr<WkProtocolItem> WkProtEditItem::Clone() const {
    auto copy = std::make_unique<WkProtEditItem>();
    CopyFieldsTo(*copy);
    return copy;
}
