#pragma once
// Base of the editor documents whose data lives in a data module reached through a pointer
// (transponder and reader configuration documents). The views reach the data through the
// forwarding accessors here.

#include "WkDataModul.h"
#include "WkStdDoc.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class WkParaModul;

/// A document that owns one data module.
class WkStdEditDoc : public WkStdDoc {
public:
    WkStdEditDoc();
    ~WkStdEditDoc() override;

    /// The document's data module; null until the concrete document sets it.
    WkDataModul* GetDataModul() const { return modul_.get(); }
    /// The module as a WkParaModul, or null when it is only a WkDataModul.
    WkParaModul* GetParaModul() const;

    /// The reader configuration document this document is bound to, or null. Not owned.
    WkStdEditDoc* GetBoundDocument() const { return bound_; }
    void SetBoundDocument(WkStdEditDoc* document) { bound_ = document; }

    /// The concrete document serialises its module; the base writes nothing.
    void Serialize(WkArchive& ar) override;

    // Forwarding to the module. Selector accessors return 1, 0 or -1 as WkParaModul's do
    // (-1 also without a WkParaModul); base-image accessors false without a module.
    int GetBytes(int selector, std::string_view descriptor, unsigned char* bytes, int count);
    int GetByte(int selector, std::string_view descriptor, std::uint8_t& value);
    int GetBit(int selector, std::string_view descriptor, bool& value);
    int SetBytes(int selector, std::string_view descriptor, const unsigned char* bytes, int count);
    int SetByte(int selector, std::string_view descriptor, std::uint8_t value);
    int SetBit(int selector, std::string_view descriptor, bool value);
    bool GetBaseByte(std::string_view descriptor, std::uint8_t& value);
    bool GetBaseBit(std::string_view descriptor, bool& value);
    bool GetBaseLong(std::string_view descriptor, std::uint32_t& value);
    bool GetBaseHexText(std::string_view descriptor, std::string& text);
    bool SetBaseByte(std::string_view descriptor, std::uint8_t value, bool notify = true);
    bool SetBaseBit(std::string_view descriptor, bool value, bool notify = true);
    bool SetBaseLong(std::string_view descriptor, std::uint32_t value, bool notify = true);
    bool SetBaseHexText(std::string_view descriptor, std::string_view text, bool notify = true);

protected:
    /// Takes ownership of the concrete document's module and makes this document its owner.
    void SetDataModul(std::unique_ptr<WkDataModul> modul);

private:
    std::unique_ptr<WkDataModul> modul_;
    WkStdEditDoc* bound_ = nullptr;
};
