#include "WkDataModul.h"

#include "WkArchive.h"
#include "WkModulOwner.h"

#include <memory>

namespace {
std::unique_ptr<WkObject> CreateDataModul() {
    return std::make_unique<WkDataModul>();
}
} // namespace

const WkRuntimeClass WkDataModul::kRuntimeClass = {"WkDataModul", 1, &CreateDataModul};

WkDataModul::WkDataModul(WkModulOwner* owner)
    : owner_(owner), infoStrings_(kInfoStringCount), baseImage_(kBaseImageSize, 0) {}

WkDataModul::~WkDataModul() = default;

const WkRuntimeClass& WkDataModul::GetRuntimeClass() const {
    return kRuntimeClass;
}

void WkDataModul::NotifyModified() {
    if (owner_ != nullptr) {
        owner_->SetModifiedFlag(true);
    }
}

std::string WkDataModul::GetInfoString(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= infoStrings_.size()) {
        return {};
    }
    return infoStrings_[static_cast<std::size_t>(index)];
}

void WkDataModul::SetInfoString(int index, const std::string& text) {
    if (index < 0) {
        return;
    }
    if (static_cast<std::size_t>(index) >= infoStrings_.size()) {
        infoStrings_.resize(static_cast<std::size_t>(index) + 1);
    }
    infoStrings_[static_cast<std::size_t>(index)] = text;
}

void WkDataModul::StoreHeader(WkArchive& ar) const {
    ar.WriteStringList(infoStrings_);
    ar.WriteByteBlock(baseImage_);
}

void WkDataModul::LoadHeader(WkArchive& ar, std::vector<std::string>& infoStrings,
                             std::vector<unsigned char>& baseImage) {
    infoStrings = ar.ReadStringList();
    baseImage = ar.ReadByteBlock();
}

void WkDataModul::AdoptHeader(std::vector<std::string> infoStrings,
                              std::vector<unsigned char> baseImage) {
    // Entries 0 .. 3 are read without further checks elsewhere; a hand-made file with a short
    // list or image must not leave them out of range.
    if (infoStrings.size() < kInfoStringCount) {
        infoStrings.resize(kInfoStringCount);
    }
    if (baseImage.size() < kBaseImageSize) {
        baseImage.resize(kBaseImageSize, 0);
    }
    infoStrings_ = std::move(infoStrings);
    baseImage_ = std::move(baseImage);
}

void WkDataModul::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        StoreHeader(ar);
        return;
    }
    std::vector<std::string> infoStrings;
    std::vector<unsigned char> baseImage;
    LoadHeader(ar, infoStrings, baseImage);
    AdoptHeader(std::move(infoStrings), std::move(baseImage));
}
