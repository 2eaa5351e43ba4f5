#pragma once
// An item of the protocol editor; its flag asks the reader library to append the checksum.

#include "WkProtocolItem.h"

/// Run-time class "WkProtEditItem", schema 1.
class WkProtEditItem : public WkProtocolItem {
public:
    static const WkRuntimeClass kRuntimeClass;

    WkProtEditItem() = default;
    WkProtEditItem(std::string protocolText, std::string commentText, bool flagValue);

    const WkRuntimeClass& GetRuntimeClass() const override { return kRuntimeClass; }
    std::unique_ptr<WkProtocolItem> Clone() const override;
};
