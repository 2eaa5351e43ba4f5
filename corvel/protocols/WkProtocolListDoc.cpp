#include "WkProtocolListDoc.h"

#include "WkArchive.h"
#include "WkFileInfoHeader.h"

#include <algorithm>
#include <cstdint>

WkProtocolListDoc::WkProtocolListDoc(const char* fileType, const char* caption,
                                     const WkRuntimeClass& itemClass, int readerHandle)
    : fileType_(fileType), caption_(caption), itemClass_(itemClass), modul_(this) {
    modul_.InfoStrings() = WkFileInfoHeader::MakeNew(fileType);
    SetReaderHandle(readerHandle > 0 ? readerHandle : 0);
}

WkProtocolListDoc::~WkProtocolListDoc() = default;

bool WkProtocolListDoc::OnNewDocument() {
    MoveFrame(kFrameRect);
    return true;
}

bool WkProtocolListDoc::OnOpenDocument(const std::filesystem::path& path) {
    if (!WkStdDoc::OnOpenDocument(path)) {
        return false;
    }
    MoveFrame(kFrameRect);
    return true;
}

void WkProtocolListDoc::SetTitle(const std::string& name) {
    fileName_ = name;
    WkStdDoc::SetTitle(std::string(caption_) + " - " + name);
}

int WkProtocolListDoc::GetPortNumber() const {
    return modul_.BaseImage().size() > 1 ? modul_.BaseImage()[1] : 0;
}

void WkProtocolListDoc::SetPortNumber(int number) {
    modul_.Base().SetByte(kPortNumberDescriptor, static_cast<std::uint8_t>(number), true);
}

WkProtocolItem* WkProtocolListDoc::Item(std::size_t index) const {
    return index < items_.size() ? items_[index].get() : nullptr;
}

int WkProtocolListDoc::FindItem(const std::string& protocol, const std::string& comment) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->protocol == protocol && items_[i]->comment == comment) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::size_t WkProtocolListDoc::AppendItem(std::unique_ptr<WkProtocolItem> item) {
    return InsertItem(items_.size(), std::move(item));
}

std::size_t WkProtocolListDoc::InsertItem(std::size_t index, std::unique_ptr<WkProtocolItem> item) {
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    SetModifiedFlag(true);
    return index;
}

std::unique_ptr<WkProtocolItem> WkProtocolListDoc::RemoveItem(std::size_t index) {
    if (index >= items_.size()) {
        return nullptr;
    }
    std::unique_ptr<WkProtocolItem> item = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    SetModifiedFlag(true);
    return item;
}

void WkProtocolListDoc::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        modul_.Serialize(ar);
        ar.WriteObjectList(items_);
        return;
    }
    modul_.Serialize(ar);
    auto items = ar.ReadObjectList<WkProtocolItem>(itemClass_);
    if (std::any_of(items.begin(), items.end(), [](const auto& item) { return !item; })) {
        throw WkArchiveError("protocol list holds a missing object");
    }
    items_ = std::move(items);
}

std::optional<WkFileInfoModel> WkProtocolListDoc::GetFileInfo() {
    WkFileInfoModel::Source source;
    source.displayMask = WkFileInfoModel::kMaskPlain;
    source.fileName = fileName_;
    return WkFileInfoModel(*this, modul_.InfoStrings(), source);
}
