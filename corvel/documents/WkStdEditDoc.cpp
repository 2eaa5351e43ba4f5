#include "WkStdEditDoc.h"

#include "WkParaModul.h"

WkStdEditDoc::WkStdEditDoc() = default;

WkStdEditDoc::~WkStdEditDoc() = default;

WkParaModul* WkStdEditDoc::GetParaModul() const {
    return dynamic_cast<WkParaModul*>(modul_.get());
}

void WkStdEditDoc::SetDataModul(std::unique_ptr<WkDataModul> modul) {
    modul_ = std::move(modul);
    if (modul_) {
        modul_->SetOwner(this);
    }
}

void WkStdEditDoc::Serialize(WkArchive&) {}

int WkStdEditDoc::GetBytes(int selector, std::string_view descriptor, unsigned char* bytes,
                           int count) {
    WkParaModul* para = GetParaModul();
    return para ? para->GetBytes(selector, descriptor, bytes, count) : -1;
}

int WkStdEditDoc::GetByte(int selector, std::string_view descriptor, std::uint8_t& value) {
    WkParaModul* para = GetParaModul();
    return para ? para->GetByte(selector, descriptor, value) : -1;
}

int WkStdEditDoc::GetBit(int selector, std::string_view descriptor, bool& value) {
    WkParaModul* para = GetParaModul();
    return para ? para->GetBit(selector, descriptor, value) : -1;
}

int WkStdEditDoc::SetBytes(int selector, std::string_view descriptor, const unsigned char* bytes,
                           int count) {
    WkParaModul* para = GetParaModul();
    return para ? para->SetBytes(selector, descriptor, bytes, count) : -1;
}

int WkStdEditDoc::SetByte(int selector, std::string_view descriptor, std::uint8_t value) {
    WkParaModul* para = GetParaModul();
    return para ? para->SetByte(selector, descriptor, value) : -1;
}

int WkStdEditDoc::SetBit(int selector, std::string_view descriptor, bool value) {
    WkParaModul* para = GetParaModul();
    return para ? para->SetBit(selector, descriptor, value) : -1;
}

bool WkStdEditDoc::GetBaseByte(std::string_view descriptor, std::uint8_t& value) {
    return modul_ && modul_->Base().GetByte(descriptor, value);
}

bool WkStdEditDoc::GetBaseBit(std::string_view descriptor, bool& value) {
    return modul_ && modul_->Base().GetBit(descriptor, value);
}

bool WkStdEditDoc::GetBaseLong(std::string_view descriptor, std::uint32_t& value) {
    return modul_ && modul_->Base().GetLong(descriptor, value);
}

bool WkStdEditDoc::GetBaseHexText(std::string_view descriptor, std::string& text) {
    return modul_ && modul_->Base().GetHexText(descriptor, text);
}

bool WkStdEditDoc::SetBaseByte(std::string_view descriptor, std::uint8_t value, bool notify) {
    return modul_ && modul_->Base().SetByte(descriptor, value, notify);
}

bool WkStdEditDoc::SetBaseBit(std::string_view descriptor, bool value, bool notify) {
    return modul_ && modul_->Base().SetBit(descriptor, value, notify);
}

bool WkStdEditDoc::SetBaseLong(std::string_view descriptor, std::uint32_t value, bool notify) {
    return modul_ && modul_->Base().SetLong(descriptor, value, notify);
}

bool WkStdEditDoc::SetBaseHexText(std::string_view descriptor, std::string_view text, bool notify) {
    return modul_ && modul_->Base().SetHexText(descriptor, text, notify);
}
