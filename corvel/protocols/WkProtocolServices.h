#pragma once
// What the protocol and macro editors need of the application: the libraries, the "Select a
// COM-Port" dialog, the protocol window and the status bar. The program fills it from its
// application object; tests fill it with fakes.

#include <functional>
#include <string>

class WkLibraries;

struct WkProtocolServices {
    /// The reader and serial-port libraries; not owned, must outlive the editors.
    WkLibraries* libraries = nullptr;
    /// "Select a COM-Port": the handle of the port chosen and open, negative on error, 0 for
    /// none. Unset: no port is chosen.
    std::function<int()> selectComPort;
    /// Hands a line to the protocol window; unset or false: the line is dropped.
    std::function<bool(const std::string&)> appendToProtocolWindow;
    /// Shows a message in the main window's status bar; may be unset.
    std::function<void(const std::string&)> showStatus;
};
