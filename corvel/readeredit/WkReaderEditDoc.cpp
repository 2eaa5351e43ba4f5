#include "WkReaderEditDoc.h"

#include "WkArchive.h"
#include "WkFileInfoHeader.h"
#include "WkReaderDefaults.h"
#include "WkReaderEditHost.h"
#include "WkReaderEditViewModel.h"
#include "WkTransponderLink.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

WkReaderEditDoc::WkReaderEditDoc(WkReaderEditHost* host) : host_(host) {
    auto modul = std::make_unique<VELKReaderModul>();
    modul_ = modul.get();
    SetDataModul(std::move(modul));
    modul_->SetTypeText(kTypeText);
    modul_->Base().SetByte(kBusAddress, 255, false);
}

WkReaderEditDoc::WkReaderEditDoc(std::shared_ptr<WkReaderEditHost> host)
    : WkReaderEditDoc(host.get()) {
    sharedHost_ = std::move(host);
}

WkReaderEditDoc::~WkReaderEditDoc() {
    if (GetReaderHandle() > 0 && host_ != nullptr) {
        host_->DeleteReader(GetReaderHandle());
    }
}

void WkReaderEditDoc::CreateReaderIfNone() {
    if (GetReaderHandle() != 0 || host_ == nullptr) {
        return;
    }
    const int handle = host_->CreateReaderObject(0);
    if (handle > 0) {
        SetReaderHandle(handle);
    }
}

bool WkReaderEditDoc::OnNewDocument() {
    MoveFrame(kFrameRect);
    CreateReaderIfNone();
    modul_->Base().SetByte(kBusAddress, 255, false);
    written_ = true;
    return true;
}

bool WkReaderEditDoc::OnOpenDocument(const std::filesystem::path& path) {
    if (!LoadFile(path.string())) {
        return false;
    }
    KnowLoadedBlocks();
    MoveFrame(kFrameRect);
    CreateReaderIfNone();
    if (const std::string missing = MissingConfigText(); !missing.empty()) {
        Prompts& prompts = host_ != nullptr ? host_->UserPrompts() : GetPrompts();
        prompts.ShowMessage(path.filename().string() + ": " + missing, Prompts::Icon::Warning);
    }
    TellConnection();
    return true;
}

void WkReaderEditDoc::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        modul_->Serialize(ar);
        written_ = true;
        return;
    }
    // The module pads a short configuration image with zeros; what the file held is counted
    // here first: the header block, then the image's count.
    WkArchive count(ar.Buffer());
    count.ReadStringList();
    count.ReadByteBlock();
    const std::size_t configBytes = count.ReadCount();
    modul_->Serialize(ar);
    configBytesLoaded_ = configBytes;
}

void WkReaderEditDoc::SetTitle(const std::string& name) {
    storedName_ = name;
    TellLinked(WkReaderParam::kFileName, name);
    WkStdEditDoc::SetTitle(kTitlePrefix + name);
}

bool WkReaderEditDoc::CanCloseFrame() {
    if (WkReaderEditViewModel* view = EditView()) {
        view->CancelBusy(); // the port gets its settings back before anything is asked
    }
    UpdateAllViews(kHintCommit);
    return WkStdEditDoc::CanCloseFrame();
}

void WkReaderEditDoc::OnCloseDocument() {
    if (WkReaderEditViewModel* view = EditView()) {
        view->CancelBusy(); // also when the program ends without questions
    }
    // A transponder document may unlink itself while it is told; work on a copy.
    const std::vector<WkTransponderLink*> linked = linked_;
    linked_.clear();
    for (WkTransponderLink* transponder : linked) {
        transponder->OnReaderClosing();
    }
}

std::string WkReaderEditDoc::MissingConfigText() const {
    if (configBytesLoaded_ >= kConfigBlockBytes) {
        return {};
    }
    const auto at = [](std::size_t byte) {
        return "block " + std::to_string(byte / 16) + " byte " + std::to_string(byte % 16);
    };
    return "the configuration image holds " + std::to_string(configBytesLoaded_) +
           " of the 48 bytes of blocks 0 to 2: " + at(configBytesLoaded_) + " to " +
           at(kConfigBlockBytes - 1) +
           " are missing and stand as 00, which a send writes to the reader.";
}

WkFileInfoModel WkReaderEditDoc::MakeFileInfo() {
    WkFileInfoModel::Source source;
    source.displayMask = WkFileInfoModel::kMaskReader;
    source.fileName = storedName_;
    source.typeLabel = "Reader Type:";
    source.typeName = modul_->ReaderTypeText();
    source.softwareVersion = modul_->SoftwareVersionText() + "-" + modul_->SoftwareRevisionText();
    return WkFileInfoModel(*this, modul_->InfoStrings(), source);
}

bool WkReaderEditDoc::SelectReaderType() {
    SetModifiedFlag(true);
    if (host_ == nullptr) {
        return false;
    }
    const std::string name = WkReaderDefaults::FileName(host_->SelectReaderType());
    if (name.empty()) {
        return false;
    }
    // The file is loaded into this document, which keeps its own path and name: saving must
    // never write over the default configuration. Nor does a reset change how the workbench
    // reaches the reader: bus address, port, link flag, comment and linked file stay.
    const std::vector<unsigned char> base = modul_->BaseImage();
    const std::string comment = modul_->GetInfoString(WkFileInfoHeader::kComment);
    const std::string linkedPath = modul_->GetInfoString(kLinkedPathEntry);
    bool loaded = false;
    if (auto path = WkReaderDefaults::Find(name, host_->DataFolders())) {
        std::ifstream in(*path, std::ios::binary);
        const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
        loaded = in.is_open() && LoadFromBytes(bytes);
    }
    if (!loaded) {
        host_->UserPrompts().ShowMessage("Cannot open " + name);
        return false;
    }
    for (const std::size_t kept : {0, 1, 4}) {
        modul_->Base().SetByteAt(static_cast<int>(kept), base[kept], false);
    }
    modul_->SetInfoString(WkFileInfoHeader::kComment, comment);
    modul_->SetInfoString(kLinkedPathEntry, linkedPath);
    KnowLoadedBlocks();
    CreateReaderIfNone();
    UpdateAllViews(kHintReload);
    if (WkReaderEditViewModel* view = EditView()) {
        view->LoadActivePage();
    }
    SetModifiedFlag(true);
    TellConnection();
    return true;
}

void WkReaderEditDoc::LinkAtOpen(bool isNew) {
    bool linked = false;
    modul_->Base().GetBit(kLinkFlag, linked);
    if (!linked && !isNew) {
        return;
    }
    WkReaderEditViewModel* view = EditView();
    if (view == nullptr) {
        return;
    }
    std::string path;
    if (!isNew) {
        path = modul_->GetInfoString(kLinkedPathEntry);
        if (path.size() < 4 || path.compare(path.size() - 4, 4, ".trp") != 0) {
            DropLink();
            return;
        }
    }
    if (!view->OpenTransponderEditor(path)) {
        DropLink();
        return;
    }
    ActivateFrame();
}

void WkReaderEditDoc::DropLink() {
    modul_->Base().SetBit(kLinkFlag, false, false);
    modul_->SetInfoString(kLinkedPathEntry, "");
}

void WkReaderEditDoc::KnowLoadedBlocks() {
    // A block the file held whole is known; one padded with zeros is asked about before a
    // send, as are the values of a new document.
    for (std::size_t block = 0; block < known_.size(); ++block) {
        known_[block] = configBytesLoaded_ >= (block + 1) * 16;
    }
}

void WkReaderEditDoc::SetBusAddress(std::uint8_t address) {
    modul_->Base().SetByte(kBusAddress, address);
    TellConnection();
}

void WkReaderEditDoc::TellConnection() {
    if (toldBusAddress_ != LinkedBusAddress()) {
        toldBusAddress_ = LinkedBusAddress();
        TellLinked(WkReaderParam::kBusAddress, BusAddressText());
    }
}

bool WkReaderEditDoc::ConfirmSend(const std::vector<int>& blocks, const char* question) {
    bool unknown = false;
    for (const int block : blocks) {
        if (block >= 0 && block < static_cast<int>(known_.size())) {
            bool& known = known_[static_cast<std::size_t>(block)];
            known = known || modul_->IsBlockRead(block);
            unknown = unknown || !known;
        }
    }
    if (unknown && !GetPrompts().AskYesNoDefaultNo(question)) {
        return false;
    }
    for (const int block : blocks) {
        if (block >= 0 && block < static_cast<int>(known_.size())) {
            known_[static_cast<std::size_t>(block)] = true;
        }
    }
    return true;
}

void WkReaderEditDoc::Report(const std::string& text) {
    if (host_ != nullptr) {
        host_->AppendToProtocolWindow(text);
    }
    if (WkReaderEditViewModel* view = EditView()) {
        view->ShowStatus(text);
    }
}

void WkReaderEditDoc::ShowOutcome(const std::string& text) {
    if (WkReaderEditViewModel* view = EditView()) {
        view->ShowStatus(text);
    }
}

void WkReaderEditDoc::TellLinked(const std::string& key, const std::string& value) {
    const std::vector<WkTransponderLink*> linked = linked_;
    for (WkTransponderLink* transponder : linked) {
        transponder->OnReaderParameter(key, value);
    }
}

std::string WkReaderEditDoc::BusAddressText() const {
    char text[8];
    std::snprintf(text, sizeof text, "%3d", LinkedBusAddress());
    return text;
}

WkReaderEditViewModel* WkReaderEditDoc::EditView() const {
    for (WkViewObserver* view : GetViews()) {
        if (auto* model = dynamic_cast<WkReaderEditViewModel*>(view)) {
            return model;
        }
    }
    return nullptr;
}

std::uint8_t WkReaderEditDoc::LinkedBusAddress() const {
    return modul_->BaseImage()[0];
}

void WkReaderEditDoc::LinkTransponder(WkTransponderLink& transponder, const std::string& path) {
    if (std::find(linked_.begin(), linked_.end(), &transponder) == linked_.end()) {
        linked_.push_back(&transponder);
    }
    transponder.OnLinkedTo(*this);
    modul_->SetInfoString(kLinkedPathEntry, path);
    modul_->Base().SetBit(kLinkFlag, true, true);
    SetModifiedFlag(true);
}

void WkReaderEditDoc::UnlinkTransponder(WkTransponderLink& transponder) {
    linked_.erase(std::remove(linked_.begin(), linked_.end(), &transponder), linked_.end());
}
