#pragma once
// The command panel of the reader editor (the sheet's first tab): a list of single reader
// commands, the input fields each needs, and a result field. "&Send" (the view's page button
// and the page's one context-menu entry) commits and runs the chosen command.

#include "WkBaudDetection.h"
#include "WkConfigPage.h"
#include "WkHexFields.h"
#include "WkPageTable.h"
#include "WkReaderEditPage.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class WkReaderEditDoc;

class WkCommandPage : public WkReaderEditPage {
public:
    /// The input fields an entry of the list shows.
    enum Field {
        kResult,
        kTimeGreen,
        kTimeRed,
        kTimeBuzzer,
        kTimeRelay,
        kTimeYellow,
        kAddress,
        kPassword,
        kFieldCount
    };
    static constexpr const char* kCaption = "Miscellaneous Commands";
    static constexpr const char* kSendText = "&Send";

    /// `document` must outlive the page.
    explicit WkCommandPage(WkReaderEditDoc& document);
    /// Cancels a detection under way, so that the port gets its settings back.
    ~WkCommandPage() override;

    /// The command list, in list order.
    static const std::vector<std::string>& Commands();
    /// The list index stored in the module.
    int Selection() const { return selection_; }
    /// The user chose list entry `index`: the result field is emptied and the entry stored.
    void Select(int index);
    /// Whether the chosen entry shows `field`.
    bool IsShown(Field field) const;

    /// The number fields (the four or five output times, then the block address), bound to
    /// the answer image.
    const std::vector<WkPageControl>& Numbers() const { return numbers_; }
    const std::string& NumberText(std::size_t index) const { return numberTexts_.at(index); }
    void SetNumberText(std::size_t index, std::string text);
    /// The spin beside the address: the address minus `step`, kept within 0 .. 31; commits.
    void Spin(int step);

    /// The four fields of the reader password; leaving one stores those that hold two digits.
    WkHexFields& Password() { return password_; }
    void LeavePassword();

    /// The result field, with "\r\n" line breaks.
    const std::string& ResultText() const { return result_; }
    /// "\r\n\r\n\r\n" and "OK", "Errorcode:..." and a negative code, or "Statusbyte:..." and
    /// a reader status.
    static std::string ResultText(int rc);

    /// The one entry of the context menu: the chosen command's.
    std::vector<WkMenuEntry> ContextMenu() const;
    /// Runs entry `id` when it is the chosen command's; the result, or 0 when nothing ran.
    int OnMenu(int id);

    /// "&Send": commits; then runs the chosen command (the login only when every password
    /// field holds two hex digits). Baud rate detection runs to its end here, unless a runner
    /// is set: then it is started, the runner is called, and the runner calls StepDetection
    /// until it returns true. Nothing is sent while a detection runs.
    int Send();
    /// `runner` (may be empty) arranges for StepDetection to be called, e.g. from an event loop.
    void SetDetectionRunner(std::function<void()> runner) { runner_ = std::move(runner); }
    /// Runs the next attempt of the running detection; true when it is over.
    bool StepDetection();
    bool IsDetecting() const { return detection_ != nullptr; }
    /// Ends a detection under way; the port gets back its baud rate, frame and timeout.
    void CancelDetection();
    /// Whether the last detection found a rate.
    bool DetectionFound() const { return detectionFound_; }
    /// Multiplies the detection's timeouts (tests on a loaded machine).
    void SetDetectionTimeoutFactor(int factor) { timeoutFactor_ = factor; }

    /// Called whenever something shown changed.
    void SetChangedListener(std::function<void()> listener) { changed_ = std::move(listener); }

    WkPageSend SendPage() override { return {}; }
    /// "&Send"; its result shows in the result field.
    WkPageSend CommitAndSendPage() override;
    WkPageSend ReadPage(bool) override { return {}; }
    WkPageSend ReadPageAndLoad() override { return {}; }
    void Activate(WkPageButtons& buttons) override;
    void Load() override;
    bool Commit() override;
    std::string Caption() const override { return kCaption; }
    bool IsBusy() const override { return IsDetecting(); }
    bool StepBusy() override { return StepDetection(); }
    void CancelBusy() override { CancelDetection(); }
    std::string BusyText() const override;

private:
    int Run(int code);
    bool StartDetection();
    void Show(std::string text);
    std::string VersionText(int rc);
    std::string InputText(int rc);

    WkReaderEditDoc& document_;
    int selection_ = 0;
    std::vector<WkPageControl> numbers_;
    std::vector<std::string> numberTexts_;
    WkHexFields password_;
    std::string result_;
    std::unique_ptr<WkBaudDetection> detection_;
    int timeoutFactor_ = 1;
    std::function<void()> runner_;
    bool detectionFound_ = false;
    std::function<void()> changed_;
};
