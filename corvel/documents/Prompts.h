#pragma once
// Everything the workbench's logic asks of the user goes through this interface: message
// boxes, yes/no questions, selection lists and the wait cursor. The program implements it
// with real dialogs; tests use ScriptedPrompts, which records what was asked and answers as
// told. Texts are the workbench's own, 8-bit, with "\n" for line breaks.

#include <string>
#include <vector>

/// The user-facing side of the logic layer.
class Prompts {
public:
    /// The icon of a message box.
    enum class Icon { None, Information, Warning, Error, Question };
    /// The answer to a yes/no/cancel question.
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompts() = default;

    /// Shows `text` in a modal message box with an OK button and returns when it is closed.
    virtual void ShowMessage(const std::string& text, Icon icon = Icon::Warning) = 0;

    /// Asks `text` with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    /// As AskYesNo, with No as the default button, for a Yes that may do harm.
    virtual bool AskYesNoDefaultNo(const std::string& text) { return AskYesNo(text); }

    /// Asks `text` with Yes, No and Cancel buttons (closing the box is Cancel).
    virtual Answer AskYesNoCancel(const std::string& text) = 0;

    /// Shows a modal list titled `title` with the explanatory `text` (may be empty) and
    /// `items`, the entry `preselected` selected (-1: none). Returns the chosen index, or -1
    /// for Cancel.
    virtual int SelectFromList(const std::string& title, const std::string& text,
                               const std::vector<std::string>& items, int preselected) = 0;

    /// Shows the wait cursor until the matching EndWaitCursor; calls nest.
    virtual void BeginWaitCursor() {}
    /// Ends one BeginWaitCursor.
    virtual void EndWaitCursor() {}

    /// The prompts installed for the process; a silent default (no messages shown, every
    /// question answered No, Cancel or -1) until a program or a test installs its own.
    static Prompts& Current();

    /// Installs `prompts` for the process (null restores the silent default) and returns the
    /// previous one. Not owned; it must outlive its installation.
    static Prompts* Install(Prompts* prompts);

protected:
    Prompts() = default;
    Prompts(const Prompts&) = default;
    Prompts& operator=(const Prompts&) = default;
};
