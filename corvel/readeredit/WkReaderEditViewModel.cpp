#include "WkReaderEditViewModel.h"

#include "Prompts.h"
#include "VELKReaderModul.h"
#include "WkLibraries.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditHost.h"
#include "WkResultText.h"
#include "WkTransponderLink.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr const char* kBlockDescriptors[3] = {"00 00 00 00 00 00", "00 01 00 00 00 00",
                                              "00 02 00 00 00 00"};

int ParseInt(const std::string& text, int fallback) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end ? value : fallback;
}

bool IsInteger(const std::string& text) {
    const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > sign && text.find_first_not_of("0123456789", sign) == std::string::npos;
}

// "... stopped at [0x42] Gap Time (tf): <why>."
std::string Stopped(const std::string& what, const WkPageSend& send) {
    return what + " stopped at " + send.failed + ": " + WkResultText(send.result) + ".";
}

} // namespace

WkReaderEditViewModel::WkReaderEditViewModel(WkReaderEditDoc& document) : document_(document) {
    document_.AddView(this);
}

WkReaderEditViewModel::~WkReaderEditViewModel() {
    document_.RemoveView(this);
}

void WkReaderEditViewModel::SetPages(std::vector<WkReaderEditPage*> pages) {
    pages_ = std::move(pages);
    activePage_ = pages_.empty() ? -1 : 0;
}

WkReaderEditPage* WkReaderEditViewModel::Active() const {
    return activePage_ >= 0 && static_cast<std::size_t>(activePage_) < pages_.size()
               ? pages_[static_cast<std::size_t>(activePage_)]
               : nullptr;
}

WkReaderEditPage* WkReaderEditViewModel::Busy() const {
    for (WkReaderEditPage* page : pages_) {
        if (page->IsBusy()) {
            return page;
        }
    }
    return nullptr;
}

bool WkReaderEditViewModel::IsBusy() const {
    return Busy() != nullptr;
}

std::string WkReaderEditViewModel::BusyText() const {
    const WkReaderEditPage* page = Busy();
    return page != nullptr ? page->BusyText() : std::string();
}

bool WkReaderEditViewModel::StepBusy() {
    WkReaderEditPage* page = Busy();
    const bool over = page == nullptr || page->StepBusy();
    Changed();
    return over;
}

void WkReaderEditViewModel::CancelBusy() {
    if (WkReaderEditPage* page = Busy()) {
        page->CancelBusy();
        Changed();
    }
}

void WkReaderEditViewModel::ShowStatus(const std::string& text) {
    outcome_ = text;
    if (status_) {
        status_(text);
    }
    Changed();
}

bool WkReaderEditViewModel::SelectPage(int index) {
    if (IsBusy() || index < 0 || static_cast<std::size_t>(index) >= pages_.size()) {
        return false;
    }
    if (index == activePage_) {
        return true;
    }
    if (WkReaderEditPage* old = Active(); old != nullptr && !old->Commit()) {
        return false;
    }
    activePage_ = index;
    Active()->Activate(*this);
    Changed();
    return true;
}

void WkReaderEditViewModel::Changed() {
    if (changed_) {
        changed_();
    }
}

void WkReaderEditViewModel::SetSendPageText(const std::string& text) {
    sendPageText_ = text;
}

void WkReaderEditViewModel::EnableButtons(bool sendPage, bool sendAll, bool readPage,
                                          bool readAll) {
    enabled_ = {sendPage, sendAll, readPage, readAll};
}

void WkReaderEditViewModel::LoadFields() {
    std::uint8_t address = 0;
    document_.GetBaseByte(WkReaderEditDoc::kBusAddress, address);
    busAddressText_ = std::to_string(address);
}

bool WkReaderEditViewModel::CommitFields() {
    // An emptied field is being retyped: the module keeps its address until a digit comes.
    if (!online_ || busAddressText_.empty()) {
        return true;
    }
    const int address = ParseInt(busAddressText_, -1);
    if (address < 0 || address > 255) {
        document_.GetPrompts().ShowMessage(
            IsInteger(busAddressText_) ? kBusAddressRange : kNotAnInteger, Prompts::Icon::Warning);
        return false;
    }
    document_.SetBusAddress(static_cast<std::uint8_t>(address));
    return true;
}

void WkReaderEditViewModel::OnInitialUpdate() {
    LoadFields();
    std::uint8_t port = 0;
    document_.GetBaseByte(WkReaderEditDoc::kPortNumber, port);
    portText_ = port == 0 ? std::string() : std::to_string(port);
    WkReaderEditHost* host = document_.Host();
    const int reader = document_.GetReaderHandle();
    online_ = reader > 0 && host != nullptr;
    if (!online_) {
        comList_ = {kNoPort};
        comIndex_ = 0;
        enabled_ = {};
        if (WkReaderEditPage* page = Active()) {
            page->Activate(*this);
            enabled_ = {};
        }
        Changed();
        return;
    }
    if (port == 0) {
        const int handle = host->SelectComPort();
        if (handle < 0) {
            char text[96];
            std::snprintf(text, sizeof text, kPortOpenError, handle);
            document_.GetPrompts().ShowMessage(text);
        } else if (handle > 0) {
            std::string number;
            host->Libraries().GetPortPara(handle, "PortNr", number);
            portText_ = number;
            document_.SetBaseByte(WkReaderEditDoc::kPortNumber,
                                  static_cast<std::uint8_t>(ParseInt(number, 0)));
            host->Libraries().SetReaderPara(reader, "PortHnd", std::to_string(handle));
        }
    }
    FillComList();
    SelectStoredPort();
    ApplyPort(comIndex_);
    if (WkReaderEditPage* page = Active()) {
        page->Activate(*this);
    }
    Changed();
}

void WkReaderEditViewModel::FillComList() {
    comList_ = {kNoPort};
    WkLibraries& libraries = document_.Host()->Libraries();
    for (int port = libraries.NextPort(0); port > 0; port = libraries.NextPort(port)) {
        std::string number;
        libraries.GetPortPara(port, "PortNr", number);
        comList_.push_back(number);
    }
}

void WkReaderEditViewModel::SelectStoredPort() {
    comIndex_ = 0;
    if (comList_.size() == 1) {
        portText_.clear();
        enabled_ = {};
        return;
    }
    for (std::size_t i = 1; i < comList_.size(); ++i) {
        if (comList_[i] == portText_) {
            comIndex_ = static_cast<int>(i);
            return;
        }
    }
}

void WkReaderEditViewModel::ClearPort() {
    comIndex_ = 0;
    portText_.clear();
    document_.SetBaseByte(WkReaderEditDoc::kPortNumber, 0);
    document_.Host()->Libraries().SetReaderPara(document_.GetReaderHandle(), "PortHnd", "0");
    enabled_ = {};
}

void WkReaderEditViewModel::ApplyPort(int index) {
    if (index <= 0 || static_cast<std::size_t>(index) >= comList_.size()) {
        ClearPort();
    } else {
        WkLibraries& libraries = document_.Host()->Libraries();
        const std::string text = comList_[static_cast<std::size_t>(index)];
        const int handle = libraries.GetPortHandle(text);
        if (handle < 1) {
            ClearPort();
        } else {
            comIndex_ = index;
            portText_ = text;
            libraries.SetReaderPara(document_.GetReaderHandle(), "PortHnd", std::to_string(handle));
            document_.SetBaseByte(WkReaderEditDoc::kPortNumber,
                                  static_cast<std::uint8_t>(ParseInt(text, 0)));
            // The command panel sends single commands only.
            const bool pages = activePage_ != 0;
            enabled_ = {true, pages, pages, pages};
        }
    }
    document_.SetPortText(portText_);
    document_.TellLinked(WkReaderParam::kComNumber, comList_[static_cast<std::size_t>(comIndex_)]);
}

void WkReaderEditViewModel::OnComListOpened() {
    if (!online_ || IsBusy()) {
        return;
    }
    FillComList();
    SelectStoredPort();
    Changed();
}

void WkReaderEditViewModel::OnComSelected(int index) {
    if (!online_ || IsBusy()) {
        Changed(); // the list shows the port in use again
        return;
    }
    ApplyPort(index);
    Changed();
}

void WkReaderEditViewModel::OnBusAddressEdited(const std::string& text) {
    busAddressText_ = text;
    if (text.empty() || !online_ || IsBusy()) {
        return;
    }
    CommitFields(); // tells the linked transponder documents a changed address
    LoadFields();
    Changed();
}

WkPageSend WkReaderEditViewModel::SendPage() {
    WkReaderEditPage* page = Active();
    if (page == nullptr || IsBusy()) {
        return {};
    }
    const WkPageSend send = page->CommitAndSendPage();
    if (!send.failed.empty()) {
        document_.Report(Stopped("Send Page", send) + " " + std::to_string(send.sent) + " of " +
                         std::to_string(send.total) + " commands of the page reached the reader.");
    } else if (send.total > 0) {
        ShowStatus("Send Page: " + std::to_string(send.sent) + " commands reached the reader.");
    }
    Changed();
    return send;
}

void WkReaderEditViewModel::ReadPage() {
    WkReaderEditPage* page = Active();
    if (page == nullptr || IsBusy()) {
        return;
    }
    const WkPageSend read = page->ReadPageAndLoad();
    if (!read.failed.empty()) {
        document_.Report("Read Page: " + read.failed + " failed: " + WkResultText(read.result) +
                         ". " + std::to_string(read.sent) + " of " + std::to_string(read.total) +
                         " commands of the page were read.");
    } else if (read.total > 0) {
        ShowStatus("Read Page: " + std::to_string(read.sent) + " commands read.");
    }
}

WkPageSend WkReaderEditViewModel::SendAll() {
    WkPageSend all;
    if (IsBusy() || !CommitActivePage() ||
        !document_.ConfirmSend({0, 1, 2}, WkReaderEditDoc::kUnknownPagesQuestion)) {
        all.refused = true;
        return all;
    }
    // A reader that takes the lock refuses every later write: the page that sends it goes
    // last (and sends the lock after its other values).
    std::vector<WkReaderEditPage*> order = pages_;
    std::stable_partition(order.begin(), order.end(),
                          [](const WkReaderEditPage* page) { return !page->SendsLock(); });
    for (WkReaderEditPage* page : order) {
        const WkPageSend send = page->SendPage();
        all.total += send.total;
        all.sent += send.sent;
        if (!send.failed.empty()) {
            all.failed = send.failed + " (page \"" + page->Caption() + "\")";
            all.result = send.result;
            document_.Report(Stopped("Send All", all) + " " + std::to_string(all.sent) +
                             " commands reached the reader before it.");
            return all;
        }
    }
    ShowStatus("Send All: " + std::to_string(all.sent) + " commands reached the reader.");
    return all;
}

int WkReaderEditViewModel::ReadAll() {
    if (IsBusy()) {
        return 0;
    }
    VELKReaderModul& modul = document_.Modul();
    for (const char* block : kBlockDescriptors) {
        modul.SetBlockReadFlag(block, false);
    }
    for (int block = 0; block < 3; ++block) {
        if (const int rc = modul.EnsureBlockRead(kBlockDescriptors[block]); rc != 0) {
            document_.Report("Read All stopped at configuration block " + std::to_string(block) +
                             ": " + WkResultText(rc) + ".");
            return rc;
        }
    }
    for (WkReaderEditPage* page : pages_) {
        page->ReadPage(false);
    }
    LoadActivePage();
    ShowStatus("Read All: configuration blocks 0, 1 and 2 read.");
    return 0;
}

void WkReaderEditViewModel::ResetEditor() {
    if (!IsBusy()) {
        document_.SelectReaderType();
    }
}

bool WkReaderEditViewModel::CommitActivePage() {
    WkReaderEditPage* page = Active();
    return page == nullptr || page->Commit();
}

void WkReaderEditViewModel::LoadActivePage() {
    if (WkReaderEditPage* page = Active()) {
        page->Load();
    }
}

bool WkReaderEditViewModel::OpenTransponderEditor(const std::string& path) {
    CommitFields();
    WkReaderEditHost* host = document_.Host();
    if (host == nullptr) {
        return false;
    }
    bool noTemplate = false;
    WkTransponderLink* transponder = host->OpenTransponderDocument(path, noTemplate);
    if (noTemplate) {
        document_.GetPrompts().ShowMessage(kNoTransTemplate);
        return false;
    }
    if (transponder == nullptr) {
        return false;
    }
    document_.LinkTransponder(*transponder, path);
    transponder->OnReaderParameter(WkReaderParam::kBusAddress, document_.BusAddressText());
    transponder->OnReaderParameter(WkReaderParam::kComNumber, portText_);
    transponder->OnReaderParameter(WkReaderParam::kFileName, document_.StoredName());
    host->UpdateTransponderViews(*transponder, kHintReload);
    return true;
}

void WkReaderEditViewModel::OnUpdate(WkViewObserver*, int hint) {
    if (hint == kHintCommit) {
        CommitFields();
    } else if (hint == kHintReload) {
        LoadFields();
    }
    Changed();
}
