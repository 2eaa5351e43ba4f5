#pragma once
// One raw reader protocol of a protocol list or a macro: the hex text, a comment and a flag.
// The two editors store the same three fields under their own class names.

#include "WkObject.h"

#include <memory>
#include <string>

/// The fields both item classes share, in file order: flag (32 bits), comment, protocol.
class WkProtocolItem : public WkObject {
public:
    std::string protocol; ///< hex digits, blanks allowed
    std::string comment;
    bool flag = true; ///< create checksum (protocol editor) or halt on error (macro editor)

    /// The flag as 32 bits; reading takes any value other than 0 as set.
    void Serialize(WkArchive& ar) override;

    /// A new item of the same class with the same fields.
    virtual std::unique_ptr<WkProtocolItem> Clone() const = 0;

    /// "yes" or "no", as the lists show the flag.
    const char* FlagText() const { return flag ? "yes" : "no"; }

protected:
    WkProtocolItem() = default;
    void CopyFieldsTo(WkProtocolItem& other) const;
};
