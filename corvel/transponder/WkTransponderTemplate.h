#pragma once
// The "Trans" document template and the application's binding of a new or opened transponder
// document to the reader chosen in "Select a Reader".

#include <vector>

class CorvelApp;
class WkDocTemplate;
class WkDocument;
class WkReaderDocLink;
class WkTemplateList;
struct WkReaderSelection;

/// Registration and binding of transponder documents, for the application's hooks.
class WkTransponderTemplate {
public:
    /// Registers the "Trans" template, whose documents are WkTransponderEditDoc.
    static WkDocTemplate& Register(WkTemplateList& templates);

    /// Binds `transponder` to the reader document among `readers` whose reader handle the
    /// selection names, tells it "BUSADR", "COMNR" and "FILENAME" as the selection gives them
    /// and asks its views to reload. False, and nothing bound, when `transponder` is not a
    /// transponder document or no reader document has that handle.
    static bool Bind(WkDocument& transponder, const std::vector<WkReaderDocLink*>& readers,
                     const WkReaderSelection& selection);

    /// Binds as above, to one of the application's open reader documents.
    static bool Bind(const CorvelApp& app, WkDocument& transponder,
                     const WkReaderSelection& selection);
};
