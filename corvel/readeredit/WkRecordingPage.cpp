#include "WkRecordingPage.h"

WkRecordingPage::WkRecordingPage(std::string caption, bool commandPanel)
    : caption_(std::move(caption)), commandPanel_(commandPanel) {}

void WkRecordingPage::SendPage() {
    calls_.push_back("send");
}

void WkRecordingPage::CommitAndSendPage() {
    calls_.push_back("commitAndSend");
}

void WkRecordingPage::ReadPage(bool force) {
    calls_.push_back(force ? "readForced" : "read");
}

void WkRecordingPage::ReadPageAndLoad() {
    calls_.push_back("readAndLoad");
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
    return commitResult_;
}
