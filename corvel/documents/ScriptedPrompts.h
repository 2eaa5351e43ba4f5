#pragma once
// A Prompts for tests: records every message and question in order and answers from a script.

#include "Prompts.h"

#include <deque>
#include <string>
#include <vector>

/// Prompts that answer from a queue and remember what was asked.
class ScriptedPrompts : public Prompts {
public:
    /// What one call asked.
    struct Record {
        enum class Kind { Message, YesNo, YesNoCancel, Selection } kind;
        std::string text;               ///< message or question; the list's text for a selection
        std::string title;              ///< selection lists only
        std::vector<std::string> items; ///< selection lists only
        int preselected = -1;           ///< selection lists only
        Icon icon = Icon::None;         ///< messages only
    };

    /// Queues the answer to the next yes/no question.
    void AnswerYesNo(bool yes) { yesNo_.push_back(yes); }
    /// Queues the answer to the next yes/no/cancel question.
    void AnswerYesNoCancel(Answer answer) { yesNoCancel_.push_back(answer); }
    /// Queues the index the next selection list returns (-1 = Cancel).
    void AnswerSelection(int index) { selections_.push_back(index); }

    /// Everything asked so far, in order.
    const std::vector<Record>& Records() const { return records_; }
    /// The texts of the message boxes shown so far, in order.
    std::vector<std::string> Messages() const;
    /// Questions asked while no answer was queued (they were answered No, Cancel or -1).
    int Unscripted() const { return unscripted_; }
    /// Wait-cursor nesting depth now, and the deepest it has been.
    int WaitDepth() const { return waitDepth_; }
    int MaxWaitDepth() const { return maxWaitDepth_; }
    void Clear();

    void ShowMessage(const std::string& text, Icon icon = Icon::Warning) override;
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;
    int SelectFromList(const std::string& title, const std::string& text,
                       const std::vector<std::string>& items, int preselected) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

private:
    std::vector<Record> records_;
    std::deque<bool> yesNo_;
    std::deque<Answer> yesNoCancel_;
    std::deque<int> selections_;
    int unscripted_ = 0;
    int waitDepth_ = 0;
    int maxWaitDepth_ = 0;
};
