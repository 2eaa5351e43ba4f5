#pragma once
// What the application works with, handed to it at construction. None of the references is
// owned; each must outlive the application.

#include "WkReaderChoice.h"

#include <functional>
#include <string>
#include <vector>

class CorvelApp;
class WkAutoAnswerControl;
class WkDocument;
class WkLibraries;
class WkPortKeeper;
class WkPrompts;
class WkRecovery;
class WkTemplateList;

/// Where the document types that other parts of the workbench build plug in. Each hook is
/// handed the application, so the hooks exist before it. Each may be empty: an application
/// without editors (a test of one part) has no reader, transponder or macro documents.
struct CorvelDocumentHooks {
    /// Registers the templates after "Log", in the order "Prot", "Trans", "Read", "Macro".
    std::function<void(CorvelApp&, WkTemplateList&)> registerTemplates;
    /// Appends a protocol (hex text) to an open macro document; false when `macro` is not one.
    std::function<bool(WkDocument& macro, const std::string& protocol)> appendToMacro;
    /// The open reader configuration documents, for the "Select a Reader" dialog.
    std::function<std::vector<WkReaderDocInfo>(const CorvelApp&)> listReaderDocuments;
    /// Binds a transponder document to the chosen reader and refreshes its views.
    std::function<void(CorvelApp&, WkDocument& transponder, const WkReaderSelection& reader)>
        bindTransponder;
    /// The reader link step for the last reader document (`isNew`: created, not opened).
    std::function<void(CorvelApp&, bool isNew)> linkReader;
};

struct CorvelParts {
    WkLibraries& libraries;
    WkPrompts& prompts;
    /// The serial ports restored at start-up and saved at exit; by default none are kept.
    WkPortKeeper& ports = NoPorts();
    /// The display of auto-answer protocols; by default there is none to show.
    WkAutoAnswerControl& autoAnswer = NoAutoAnswer();
    /// Where recovery copies are written on a signal and offered at start-up. Optional: an
    /// application without it (tests, tools) never reads or writes the user's state folder.
    WkRecovery* recovery = nullptr;
    CorvelDocumentHooks hooks = {};

    /// Keeps no port.
    static WkPortKeeper& NoPorts();
    /// Never shows anything: Show answers false and it is never on.
    static WkAutoAnswerControl& NoAutoAnswer();
};
