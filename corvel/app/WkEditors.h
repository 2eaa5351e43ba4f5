#pragma once
// Where each editor plugs into the program: its document template and its Qt view.

class CMainFrame;
class CorvelApp;
class WkTemplateList;
struct CorvelDocumentHooks;

/// Registers the editors' templates after "Log", in the order "Prot", "Trans", "Read".
void RegisterEditorTemplates(CorvelApp& app, WkTemplateList& templates);
/// Registers the templates that come after all others ("Macro").
void RegisterLateEditorTemplates(CorvelApp& app, WkTemplateList& templates);
/// Registers each editor's view with the main frame.
void RegisterEditorViews(CorvelApp& app, CMainFrame& frame);
/// What the application asks of the editors: their templates, the macro that protocol lines
/// go to, the reader documents to choose from, the reader's link step and the binding of a
/// transponder document to a reader.
CorvelDocumentHooks EditorDocumentHooks();
