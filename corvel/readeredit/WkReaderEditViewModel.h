#pragma once
// The reader configuration view without its widgets: the bus address field, the COM list,
// the four page buttons, the sheet's pages in tab order, and what each button and update hint
// does. The Qt view shows this state and forwards the user's actions; it holds no rule.

#include "WkReaderEditPage.h"
#include "WkViewObserver.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class WkReaderEditDoc;

class WkReaderEditViewModel : public WkViewObserver, public WkPageButtons {
public:
    enum Button { kSendPage = 0, kSendAll = 1, kReadPage = 2, kReadAll = 3 };
    static constexpr const char* kNoPort = "-";
    static constexpr const char* kSendPageText = "&Send Page";
    static constexpr const char* kPortOpenError = "Error! Could not open COM-Port!\nErrorCode: %d";
    static constexpr const char* kNoTransTemplate = "No Template with Trans found !";
    static constexpr const char* kBusAddressRange = "Please enter an integer between 0 and 255.";
    static constexpr const char* kNotAnInteger = "Please enter an integer.";

    /// Registers with `document` as one of its views; `document` must outlive the model.
    explicit WkReaderEditViewModel(WkReaderEditDoc& document);
    ~WkReaderEditViewModel() override;
    WkReaderEditViewModel(const WkReaderEditViewModel&) = delete;
    WkReaderEditViewModel& operator=(const WkReaderEditViewModel&) = delete;

    /// The sheet's pages in tab order (the command panel first); not owned. The first page
    /// becomes active at first show.
    void SetPages(std::vector<WkReaderEditPage*> pages);
    const std::vector<WkReaderEditPage*>& Pages() const { return pages_; }
    int ActivePage() const { return activePage_; }
    /// The user chose tab `index`: the page that was active commits (a range error keeps it
    /// active and returns false), the new one activates. Refused while a page is busy.
    bool SelectPage(int index);

    /// Called whenever something shown changed (the Qt view refreshes its widgets).
    void SetChangedListener(std::function<void()> listener) { changed_ = std::move(listener); }
    /// Called with each report for the main window's status bar.
    void SetStatusListener(std::function<void(const std::string&)> listener) {
        status_ = std::move(listener);
    }
    /// Puts `text` into the status bar and beside the buttons (what the last command came
    /// to).
    void ShowStatus(const std::string& text);
    /// What the last command came to: "OK", the reader's status or the library's error.
    const std::string& Outcome() const { return outcome_; }

    // What the view shows.
    const std::string& BusAddressText() const { return busAddressText_; }
    const std::vector<std::string>& ComList() const { return comList_; }
    int ComIndex() const { return comIndex_; }
    const std::string& PortText() const { return portText_; }
    /// Whether a button may be pressed: never while a page's work (baud rate detection) runs.
    bool IsButtonEnabled(Button button) const { return !IsBusy() && enabled_[button]; }
    const std::string& SendPageText() const { return sendPageText_; }
    /// False while the document has no reader object: list, field and buttons are disabled.
    bool IsOnline() const { return online_; }

    /// First show: bus address and port from the module; with a reader object and no stored
    /// port the port dialog; then the COM list filled, the stored port selected and applied.
    void OnInitialUpdate();

    /// The COM list is opened: refilled, and the stored port selected.
    void OnComListOpened();
    /// The user chose entry `index` of the COM list.
    void OnComSelected(int index);

    /// The user edited the bus address field. A non-empty text is committed (a range error
    /// shows its message and changes nothing), the field reloaded, and the linked transponder
    /// documents told "BUSADR".
    void OnBusAddressEdited(const std::string& text);

    // The buttons; none does anything while a page's work runs. A send that stops at a
    // failing command, and a Read All that stops at a failing block, say which and why in
    // the protocol window and the status bar.
    /// The active page's commit and send.
    WkPageSend SendPage();
    /// The active page's forced read; says which command failed first.
    void ReadPage();
    /// Commits the active page (a value out of range stops here), asks once when values that
    /// were never read, loaded or reset would go out, then sends every page in tab order up
    /// to the first command that fails.
    WkPageSend SendAll();
    /// Reads blocks 0, 1, 2 fresh; stops at the first failing block and returns its code.
    /// Otherwise every page reads from the blocks and the active page loads.
    int ReadAll();
    /// "Reset Editor...".
    void ResetEditor();

    /// Whether a page's work runs over several turns of the event loop (baud rate
    /// detection): the whole editor waits for it, with only its Cancel.
    bool IsBusy() const;
    /// How far that work has come.
    std::string BusyText() const;
    /// Runs its next step; true when it is over (or there is none).
    bool StepBusy();
    /// Ends it at once; the port gets its settings back.
    void CancelBusy();

    /// Commits the active page (save, close); true when there is none.
    bool CommitActivePage();
    /// Reloads the active page from the module.
    void LoadActivePage();

    /// Opens the transponder editor for `path` (new when empty), links it to this document
    /// and tells it "BUSADR", "COMNR" and "FILENAME". True when one was opened.
    bool OpenTransponderEditor(const std::string& path);

    // WkViewObserver
    void OnUpdate(WkViewObserver* sender, int hint) override;
    /// Before a save or a close: the active page commits.
    bool CommitEdits() override { return CommitActivePage(); }

    // WkPageButtons
    bool IsPortChosen() const override { return comIndex_ > 0; }
    void SetSendPageText(const std::string& text) override;
    void EnableButtons(bool sendPage, bool sendAll, bool readPage, bool readAll) override;

private:
    void FillComList();
    void SelectStoredPort();
    void ApplyPort(int index);
    void ClearPort();
    bool CommitFields();
    void LoadFields();
    void Changed();
    WkReaderEditPage* Active() const;
    WkReaderEditPage* Busy() const;

    WkReaderEditDoc& document_;
    std::vector<WkReaderEditPage*> pages_;
    int activePage_ = -1;
    std::string busAddressText_;
    std::vector<std::string> comList_{kNoPort};
    int comIndex_ = 0;
    std::string portText_;
    std::array<bool, 4> enabled_{};
    std::string sendPageText_ = kSendPageText;
    std::string outcome_;
    bool online_ = true;
    std::function<void()> changed_;
    std::function<void(const std::string&)> status_;
};
