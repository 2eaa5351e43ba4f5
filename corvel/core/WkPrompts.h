#pragma once
// The application's prompts: the logic layer's message boxes and questions (Prompts) and the
// dialogs the application itself asks through. The program shows real dialogs; tests answer
// from a script.

#include "Prompts.h"

#include <optional>
#include <string>

class WkComPortChoice;
class WkReaderChoice;
struct WkReaderSelection;

class WkPrompts : public Prompts {
public:
    /// The file-open dialog (the file must exist); nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFileName() = 0;
    /// The file-save dialog, proposing `proposal`; nothing when the user cancels.
    virtual std::optional<std::string> AskSaveFileName(const std::string& proposal) = 0;
    /// The "Select a COM-Port" dialog over `choice`, shown only when the choice cannot be made
    /// without the user. Returns the chosen port handle, 0 for none.
    virtual int SelectComPort(const WkComPortChoice& choice) = 0;
    /// The "Select a Reader" dialog; nothing when cancelled or when there is no reader.
    virtual std::optional<WkReaderSelection> SelectReader(const WkReaderChoice& choice) = 0;
    /// The "Select a Reader Type" dialog: 1 = KRA .. 4 = KRD, 0 for Cancel.
    virtual int SelectReaderType() = 0;
};
