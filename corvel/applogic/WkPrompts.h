#pragma once
// The application's prompts: the logic layer's message boxes and questions (Prompts) and the
// dialogs the application itself asks through. The program shows real dialogs; tests answer
// from a script.

#include "Prompts.h"

#include <optional>
#include <string>
#include <vector>

class WkComPortChoice;
class WkReaderChoice;
struct WkReaderSelection;

class WkPrompts : public Prompts {
public:
    /// The file-open dialog (the file must exist); nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFileName() = 0;
    /// The file-save dialog, proposing `proposal`; nothing when the user cancels.
    virtual std::optional<std::string> AskSaveFileName(const std::string& proposal) = 0;
    /// The file-open dialog offering `filters` (each like "Reader Files(*.rdr)") and all
    /// files. The base ignores the filters.
    virtual std::optional<std::string> AskOpenFileOfTypes(const std::vector<std::string>& filters) {
        (void)filters;
        return AskOpenFileName();
    }
    /// The file-save dialog for a document of the type with file-dialog filter `filter`
    /// (for example "Log-File(*.log)"). The base ignores the filter.
    virtual std::optional<std::string> AskSaveFileOfType(const std::string& proposal,
                                                         const std::string& filter) {
        (void)filter;
        return AskSaveFileName(proposal);
    }
    /// As AskSaveFileOfType, but a file that exists is returned without the dialog's own
    /// question about replacing it: the caller asks what to do with it.
    virtual std::optional<std::string> AskSaveFileKeepExisting(const std::string& proposal,
                                                               const std::string& filter) {
        return AskSaveFileOfType(proposal, filter);
    }
    /// Asks `text` with one button per entry of `buttons`, the one at `preferred` being the
    /// default and the last one that of the Escape key. Returns the index of the button
    /// pressed, or -1 (the base, and a program that is ending, answer -1).
    virtual int AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                          int preferred) {
        (void)text;
        (void)buttons;
        (void)preferred;
        return -1;
    }
    /// Asks for one line of text under `title`, explained by `text`, proposing `initial`.
    /// Nothing for Cancel (the base, and a program that is ending).
    virtual std::optional<std::string> AskText(const std::string& title, const std::string& text,
                                               const std::string& initial) {
        (void)title;
        (void)text;
        (void)initial;
        return std::nullopt;
    }
    /// The "Select a COM-Port" dialog over `choice`, shown only when the choice cannot be made
    /// without the user. Returns the chosen port handle, 0 for none.
    virtual int SelectComPort(const WkComPortChoice& choice) = 0;
    /// The "Select a Reader" dialog; nothing when cancelled or when there is no reader.
    virtual std::optional<WkReaderSelection> SelectReader(const WkReaderChoice& choice) = 0;
    /// The "Select a Reader Type" dialog: 1 = KRA .. 4 = KRD, 0 for Cancel.
    virtual int SelectReaderType() = 0;
};
