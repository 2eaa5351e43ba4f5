#include "WkRecordingPage.h"

#include "VELKReaderModul.h"

WkRecordingPage::WkRecordingPage(std::string caption, bool commandPanel, VELKReaderModul* modul,
                                 std::vector<int> codes)
    : caption_(std::move(caption)), commandPanel_(commandPanel), modul_(modul),
      codes_(std::move(codes)) {}

void WkRecordingPage::SetControl(const std::string& descriptor, std::uint8_t value) {
    controls_.emplace_back(descriptor, value);
}

void WkRecordingPage::Send() {
    for (int code : codes_) {
        results_.push_back(modul_ != nullptr ? modul_->Execute(code) : 0);
    }
}

void WkRecordingPage::Read(bool force) {
    if (modul_ == nullptr) {
        return;
    }
    if (force) {
        // A stand-in does not know which blocks its commands live in: all are read fresh.
        for (const char* block : {"00 00 00 00 00 00", "00 01 00 00 00 00", "00 02 00 00 00 00"}) {
            modul_->SetBlockReadFlag(block, false);
        }
    }
    for (int code : codes_) {
        results_.push_back(modul_->ReadParameter(code));
    }
}

void WkRecordingPage::SendPage() {
    calls_.push_back("send");
    Send();
}

void WkRecordingPage::CommitAndSendPage() {
    calls_.push_back("commitAndSend");
    if (Commit()) {
        Send();
    }
}

void WkRecordingPage::ReadPage(bool force) {
    calls_.push_back(force ? "readForced" : "read");
    Read(force);
}

void WkRecordingPage::ReadPageAndLoad() {
    calls_.push_back("readAndLoad");
    Read(true);
    Load();
}

void WkRecordingPage::Activate(WkPageButtons& buttons) {
    calls_.push_back("activate");
    const bool port = buttons.IsPortChosen();
    if (commandPanel_) {
        buttons.SetSendPageText("&Send");
        buttons.EnableButtons(port, false, false, false);
    } else {
        buttons.SetSendPageText("&Send Page");
        buttons.EnableButtons(port, port, port, port);
    }
    Load();
}

void WkRecordingPage::Load() {
    calls_.push_back("load");
}

bool WkRecordingPage::Commit() {
    calls_.push_back("commit");
    if (!commitResult_) {
        return false;
    }
    if (modul_ != nullptr) {
        for (const auto& [descriptor, value] : controls_) {
            modul_->Config().SetByte(descriptor, value);
        }
    }
    controls_.clear();
    return true;
}
