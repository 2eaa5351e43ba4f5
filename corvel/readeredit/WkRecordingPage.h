#pragma once
// A configuration page that stands in for the real ones: it records every call, does what a
// page does with the buttons, and, when given a module, reads and sends a list of commands
// through it and holds "control" values that reach the module only when it commits. The
// sheet holds it until the pages are built; tests use it to see what a button reaches.

#include "WkReaderEditPage.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class VELKReaderModul;

class WkRecordingPage : public WkReaderEditPage {
public:
    /// `commandPanel`: behaves as the command panel does on activation (only "&Send",
    /// enabled while a port is chosen). `modul` (not owned, may be null) is where `codes` are
    /// read and sent.
    WkRecordingPage(std::string caption, bool commandPanel, VELKReaderModul* modul = nullptr,
                    std::vector<int> codes = {});

    /// The calls so far, in order: "send", "commitAndSend", "read", "readForced",
    /// "readAndLoad", "activate", "load", "commit".
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    /// The result of every command sent or read, in order.
    const std::vector<int>& Results() const { return results_; }

    /// A value typed into a control: written to the configuration image byte of
    /// `descriptor` at the next commit.
    void SetControl(const std::string& descriptor, std::uint8_t value);
    /// What the next Commit returns (false: a range error, nothing written).
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
    void Send();
    void Read(bool force);

    std::string caption_;
    bool commandPanel_;
    VELKReaderModul* modul_;
    std::vector<int> codes_;
    std::vector<std::pair<std::string, std::uint8_t>> controls_;
    bool commitResult_ = true;
    std::vector<std::string> calls_;
    std::vector<int> results_;
};
