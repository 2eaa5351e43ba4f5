#pragma once
// What the reader configuration document and its view ask of the application: reader objects,
// the port and reader-type selections, the libraries, the transponder editor, and where the
// default configuration files are. The program binds it to CorvelApp (WkAppReaderEditHost);
// tests bind it to the real libraries with scripted prompts.

#include <filesystem>
#include <string>
#include <vector>

class Prompts;
class WkLibraries;
class WkTransponderLink;

class WkReaderEditHost {
public:
    virtual ~WkReaderEditHost() = default;

    /// A new reader object bound to `portHandle` ("PortHnd", "LogProt" = "1",
    /// "SendProtToApp" = "0"); its handle (> 0), or the negative code after the message.
    virtual int CreateReaderObject(int portHandle) = 0;
    /// Deletes reader object `handle` in the reader library; the library's code.
    virtual int DeleteReader(int handle) = 0;

    /// The "Select a COM-Port" dialog: a port handle (> 0), 0 for none, or a negative code
    /// when the chosen port could not be opened.
    virtual int SelectComPort() = 0;
    /// The "Select a Reader Type" dialog: 1 = KRA .. 4 = KRD, 0 for Cancel.
    virtual int SelectReaderType() = 0;

    virtual WkLibraries& Libraries() = 0;
    virtual Prompts& UserPrompts() = 0;
    /// Hands a line to the protocol window; false when there is none (the default).
    virtual bool AppendToProtocolWindow(const std::string& text) {
        (void)text;
        return false;
    }

    /// Opens the transponder file at `path` (a new transponder document when empty) without
    /// asking for a reader. Returns the document's link, or null when none was opened;
    /// `noTemplate` is set when there is no "Trans" template at all.
    virtual WkTransponderLink* OpenTransponderDocument(const std::string& path,
                                                       bool& noTemplate) = 0;
    /// Tells every view of a transponder document opened here to update with `hint`.
    virtual void UpdateTransponderViews(WkTransponderLink& transponder, int hint) = 0;

    /// Folders searched, in order, for the default configuration files.
    virtual std::vector<std::filesystem::path> DataFolders() = 0;
};
