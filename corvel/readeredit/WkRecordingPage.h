#pragma once
// A configuration page that stands in for the real ones: it records every call and does what
// a page does with the buttons. The sheet holds it until the pages are built; tests use it to
// see which page operation a button reaches.

#include "WkReaderEditPage.h"

#include <string>
#include <vector>

class WkRecordingPage : public WkReaderEditPage {
public:
    /// `commandPanel`: behaves as the command panel does on activation (only "&Send",
    /// enabled while a port is chosen).
    WkRecordingPage(std::string caption, bool commandPanel);

    /// The calls so far, in order: "send", "commitAndSend", "read", "readForced",
    /// "readAndLoad", "activate", "load", "commit".
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    /// What the next Commit returns.
    void SetCommitResult(bool ok) { commitResult_ = ok; }

    void SendPage() override;
    void CommitAndSendPage() override;
    void ReadPage(bool force) override;
    void ReadPageAndLoad() override;
    void Activate(WkPageButtons& buttons) override;
    void Load() override;
    bool Commit() override;
    std::string Caption() const override { return caption_; }

private:
    std::string caption_;
    bool commandPanel_;
    bool commitResult_ = true;
    std::vector<std::string> calls_;
};
