#pragma once
// The serial ports kept from run to run in "Corvel.ini": four sections "1.COMPort" ..
// "4.COMPort", each with the port number and its line parameters. Restored at start-up,
// saved (and the ports closed) at exit.

#include "WkPortKeeper.h"

class WkLibraries;
class WkPrompts;

class WkComPortSettings : public WkPortKeeper {
public:
    WkComPortSettings(WkLibraries& libraries, WkPrompts& prompts);

    /// Opens the port of every section that names one and is not open yet, and sets its
    /// parameters; a port whose parameters are refused is closed again.
    void RestorePorts(const std::filesystem::path& settingsPath) override;
    /// Writes the first four open ports (in the library's order) into the four sections and
    /// closes them; sections without a port get the defaults.
    void SavePorts(const std::filesystem::path& settingsPath) override;

private:
    WkLibraries& libraries_;
    WkPrompts& prompts_;
};
