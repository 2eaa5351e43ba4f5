#include "WkHexFields.h"

#include "Prompts.h"
#include "WkParaModul.h"
#include "common/HexText.h"

WkHexFields::WkHexFields(WkParaModul& modul, int image, std::vector<std::string> descriptors,
                         std::function<Prompts&()> prompts)
    : modul_(modul), image_(image), descriptors_(std::move(descriptors)),
      prompts_(std::move(prompts)), texts_(descriptors_.size(), "00") {}

WkHexFields::Edit WkHexFields::SetText(std::size_t field, std::string text) {
    texts_.at(field) = std::move(text);
    const std::string& shown = texts_[field];
    if (!IsHexText(shown)) {
        prompts_().ShowMessage(kNoHexString, Prompts::Icon::Warning);
        return Edit::SelectAll;
    }
    return shown.size() == 2 ? Edit::Next : Edit::Stay;
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

void WkHexFields::Commit() {
    WkImageAccess image = modul_.Access(image_);
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        const std::string& text = texts_[i];
        if (!text.empty() && text.size() <= 2 && IsHexText(text)) {
            image.SetHexText(descriptors_[i], text.size() == 1 ? "0" + text : text);
        }
    }
    Load();
}
