#pragma once
// The "Prot" and "Macro" document templates, the services their views are given, and the
// application's append-to-macro hook.

#include <string>

class CorvelApp;
class WkDocTemplate;
class WkDocument;
class WkTemplateList;
struct WkProtocolServices;

class WkProtocolTemplates {
public:
    /// Registers "Prot": each document gets a reader object of its own from `app`.
    static WkDocTemplate& RegisterProtocol(CorvelApp& app, WkTemplateList& templates);
    /// Registers "Macro" likewise; it comes after the other templates.
    static WkDocTemplate& RegisterMacro(CorvelApp& app, WkTemplateList& templates);

    /// The application's append-to-macro hook: appends `protocol` to `macro`; false when it
    /// is not a macro document.
    static bool AppendToMacro(WkDocument& macro, const std::string& protocol);

    /// The libraries, the port dialog, the protocol window and the status bar of `app`;
    /// `showStatus` may be empty.
    static WkProtocolServices Services(CorvelApp& app);
};
