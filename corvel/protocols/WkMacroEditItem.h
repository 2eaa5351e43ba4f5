#pragma once
// An item of a macro; its flag stops a run when the item's send fails.

#include "WkProtocolItem.h"

/// Run-time class "WkMacroEditItem", schema 1.
class WkMacroEditItem : public WkProtocolItem {
public:
    static const WkRuntimeClass kRuntimeClass;

    WkMacroEditItem() = default;
    WkMacroEditItem(std::string protocolText, std::string commentText, bool flagValue);

    const WkRuntimeClass& GetRuntimeClass() const override { return kRuntimeClass; }
    std::unique_ptr<WkProtocolItem> Clone() const override;
};
