#pragma once
// What the workbench asks of the reader and serial-port libraries beyond single calls: the
// version gate at start-up and the About dialog's reports, a new reader object set up for the
// protocol window, and the choice among the open ports.

#include <string>

class WkLibraries;
class WkPrompts;

class WkLibraryServices {
public:
    /// Neither reference is owned; both must outlive this object.
    WkLibraryServices(WkLibraries& libraries, WkPrompts& prompts);

    /// False (after telling so) when the serial-port library is too old to run with; warns
    /// of versions older than the workbench expects.
    bool CheckVersions();
    /// The About dialog's "Get Version" texts.
    std::string SornVersionReport();
    std::string VelkVersionReport();
    /// A new reader object on port `portHandle` that logs its protocol lines; the library's
    /// code (after telling it) when none could be made.
    int CreateReaderObject(int portHandle);
    /// The port to use: the only open one, none, or the one the user picks.
    int SelectComPort();

private:
    WkLibraries& libraries_;
    WkPrompts& prompts_;
};
