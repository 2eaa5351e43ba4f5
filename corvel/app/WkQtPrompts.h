#pragma once
// The prompts with real dialogs: message boxes, questions, file dialogs and the selection
// dialogs, all parented to the main window.

#include "WkPrompts.h"

#include <QPointer>
#include <QWidget>

class WkQtPrompts : public WkPrompts {
public:
    WkQtPrompts() = default;
    void SetParent(QWidget* parent) { parent_ = parent; }
    /// From now on nothing is shown and nothing waits for a person: messages are dropped,
    /// questions answer No or Cancel, dialogs answer as if cancelled (the program is ending).
    void SetSilent() { silent_ = true; }

    void ShowMessage(const std::string& text, Icon icon = Icon::Warning) override;
    bool AskYesNo(const std::string& text) override;
    bool AskYesNoDefaultNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;
    int SelectFromList(const std::string& title, const std::string& text,
                       const std::vector<std::string>& items, int preselected) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    std::optional<std::string> AskOpenFileName() override;
    std::optional<std::string> AskSaveFileName(const std::string& proposal) override;
    std::optional<std::string> AskOpenFileOfTypes(const std::vector<std::string>& filters) override;
    std::optional<std::string> AskSaveFileOfType(const std::string& proposal,
                                                 const std::string& filter) override;
    std::optional<std::string> AskSaveFileKeepExisting(const std::string& proposal,
                                                       const std::string& filter) override;
    int AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                  int preferred) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& text,
                                       const std::string& initial) override;
    int SelectComPort(const WkComPortChoice& choice) override;
    std::optional<WkReaderSelection> SelectReader(const WkReaderChoice& choice) override;
    int SelectReaderType() override;

private:
    std::optional<std::string> AskSaveFile(const std::string& proposal, const std::string& filter,
                                           bool confirmOverwrite);

    QPointer<QWidget> parent_;
    bool silent_ = false;
};
