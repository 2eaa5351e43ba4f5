#pragma once
// The protocol editor's document: a list of raw protocols ("PRT-02", ".prt").

#include "WkProtocolListDoc.h"

class WkProtEditDoc : public WkProtocolListDoc {
public:
    static constexpr const char* kCaption = "ProtocolEditor";
    static constexpr const char* kDefaultProtocol = "your protocol";
    static constexpr const char* kDefaultComment = "your comment";

    /// `readerHandle`: the document's own reader object, 0 (or an error code) for none.
    explicit WkProtEditDoc(int readerHandle = 0);

    /// A new document (not an opened file) holds one example item.
    bool OnNewDocument() override;

    std::unique_ptr<WkProtocolItem> MakeItem() const override;
};
