#pragma once
// The macro editor's document: protocols sent in one run, in list order ("MAC-01", ".mac").
// Other parts of the workbench append protocols to it, such as a frame taken from the
// protocol window.

#include "WkProtocolListDoc.h"

class WkMacroEditDoc : public WkProtocolListDoc {
public:
    static constexpr const char* kCaption = "MacroEditor";
    /// Update hint sent to the views after a protocol was appended from outside the editor.
    static constexpr int kHintAppended = 0x100;

    /// `readerHandle`: the document's own reader object, 0 (or an error code) for none.
    explicit WkMacroEditDoc(int readerHandle = 0);

    std::unique_ptr<WkProtocolItem> MakeItem() const override;

    /// Appends `protocol` with the command name of its control byte as comment and the flag
    /// clear, marks the document modified and tells the views (kHintAppended).
    void AppendProtocol(const std::string& protocol);
};
