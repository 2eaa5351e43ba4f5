#include "WkTransponderEditDoc.h"

#include "WkReaderDocLink.h"

#include <memory>

WkTransponderEditDoc::WkTransponderEditDoc() {
    SetDataModul(std::make_unique<WkTransponderModul>());
}

WkTransponderEditDoc::~WkTransponderEditDoc() {
    WkTransponderEditDoc::OnCloseDocument();
}

void WkTransponderEditDoc::Serialize(WkArchive& ar) {
    Modul().Serialize(ar);
}

void WkTransponderEditDoc::SetTitle(const std::string& name) {
    fileName_ = name;
    WkStdEditDoc::SetTitle(WkTransponderText::kTitlePrefix + name);
}

bool WkTransponderEditDoc::OnNewDocument() {
    MoveFrame(kFrameRect);
    return true;
}

bool WkTransponderEditDoc::OnOpenDocument(const std::filesystem::path& path) {
    if (!WkStdEditDoc::OnOpenDocument(path)) {
        return false;
    }
    MoveFrame(kFrameRect);
    return true;
}

std::string WkTransponderEditDoc::LinkName() const {
    return GetPathName().empty() ? fileName_ : GetPathName();
}

void WkTransponderEditDoc::BindToReader(WkReaderDocLink* reader) {
    if (reader != nullptr) {
        reader->LinkTransponder(*this, LinkName());
    } else {
        OnCloseDocument();
    }
}

void WkTransponderEditDoc::OnLinkedTo(WkReaderDocLink& reader) {
    if (WkReaderDocLink* old = GetReaderDocument(); old != nullptr && old != &reader) {
        old->UnlinkTransponder(*this);
    }
    Modul().SetReader(&reader);
}

void WkTransponderEditDoc::OnReaderParameter(const std::string& key, const std::string& value) {
    if (key == WkReaderParam::kBusAddress) {
        busAddress_ = value;
    } else if (key == WkReaderParam::kComNumber) {
        comPort_ = value;
    } else if (key == WkReaderParam::kFileName) {
        readerFile_ = value;
    } else {
        return;
    }
    UpdateAllViews(kHintRepaint);
}

void WkTransponderEditDoc::OnReaderClosing() {
    GetPrompts().ShowMessage("Message to " + fileName_ + ": Reader will be closed.",
                             Prompts::Icon::None);
    Modul().SetReader(nullptr);
    online_ = false;
    UpdateAllViews(kHintRepaint);
}

std::string WkTransponderEditDoc::RefreshStatus() {
    if (GetReaderDocument() == nullptr) {
        online_ = false;
        return WkTransponderText::kOffline;
    }
    online_ = !comPort_.empty() && comPort_ != "-";
    return std::string(online_ ? "Online: " : "Offline: ") + "   BusAdr: " + busAddress_ +
           "....COM: " + comPort_ + "....File: " + readerFile_;
}

void WkTransponderEditDoc::OnCloseDocument() {
    if (WkReaderDocLink* reader = GetReaderDocument()) {
        Modul().SetReader(nullptr);
        reader->UnlinkTransponder(*this);
    }
}

void WkTransponderEditDoc::OnDocumentSaved(const std::filesystem::path&) {
    if (WkReaderDocLink* reader = GetReaderDocument()) {
        reader->LinkTransponder(*this, LinkName());
    }
}

std::optional<WkFileInfoModel> WkTransponderEditDoc::GetFileInfo() {
    WkFileInfoModel::Source source;
    source.displayMask = WkFileInfoModel::kMaskTransponder;
    source.fileName = fileName_;
    source.typeLabel = WkTransponderText::kTypeLabel;
    source.typeName = Modul().TypeName();
    return WkFileInfoModel(*this, Modul().InfoStrings(), source);
}
