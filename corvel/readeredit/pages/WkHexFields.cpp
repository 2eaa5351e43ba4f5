#include "WkHexFields.h"

#include "Prompts.h"
#include "WkParaModul.h"
#include "WkPasswordDialog.h"
#include "common/HexText.h"

WkHexFields::WkHexFields(WkParaModul& modul, int image, std::vector<std::string> descriptors,
                         std::function<Prompts&()> prompts)
    : modul_(modul), image_(image), descriptors_(std::move(descriptors)),
      prompts_(std::move(prompts)), texts_(descriptors_.size(), "00") {}

WkHexFields::Edit WkHexFields::SetText(std::size_t field, std::string text) {
    texts_.at(field) = std::move(text);
    const std::string& shown = texts_[field];
    if (const auto fault = FindNonHexDigit(shown)) {
        prompts_().ShowMessage(HexTextFaultMessage(shown, *fault), Prompts::Icon::Warning);
        return Edit::SelectAll;
    }
    return shown.size() == kDigits ? Edit::Next : Edit::Stay;
}

void WkHexFields::Load() {
    const WkImageAccess image = modul_.Access(image_);
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        std::string text;
        if (image.GetHexText(descriptors_[i], text)) {
            texts_[i] = text;
        }
    }
}

void WkHexFields::CommitComplete() {
    WkImageAccess image = modul_.Access(image_);
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        if (texts_[i].size() == kDigits && IsHexText(texts_[i]) &&
            image.SetHexText(descriptors_[i], texts_[i])) {
            image.GetHexText(descriptors_[i], texts_[i]);
        }
    }
}

bool WkHexFields::Take(std::size_t* bad) {
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        const std::string& text = texts_[i];
        const auto fault = FindNonHexDigit(text);
        if (fault) {
            prompts_().ShowMessage(HexTextFaultMessage(text, *fault), Prompts::Icon::Warning);
        }
        if (fault || !CheckMinLength(text, kDigits, prompts_())) {
            if (bad != nullptr) {
                *bad = i;
            }
            return false;
        }
    }
    CommitComplete();
    return true;
}
