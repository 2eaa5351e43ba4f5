#pragma once
// The workbench's application object: start-up and shutdown, the commands that create and
// open documents, and the services the other parts use (reader objects, templates, the
// protocol window route, port selection).
//
// Everything runs on the user-interface thread except AppendToProtocolWindow, which any
// thread may call.

#include "CorvelParts.h"
#include "WkDocKind.h"
#include "WkDocManager.h"
#include "WkLibraryServices.h"
#include "WkProtocolLine.h"
#include "WkReaderChoice.h"
#include "WkRecentFileList.h"
#include "WkTemplateList.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class WkAutoAnswerControl;
class WkDocTemplate;
class WkDocument;
class WkFrameHost;
class WkLibraries;
class WkLogDoc;
class WkPortKeeper;
class WkPrompts;
class WkRecovery;
struct WkPortUser;

/// The texts the application shows.
namespace CorvelText {
inline constexpr const char* kProgramTitle = "Corvel";
inline constexpr const char* kProgramVersion = "03.00.00";
inline constexpr const char* kNeededVelkVersion = "02.03.00";
inline constexpr const char* kNeededSornVersion = "02.08.02";
inline constexpr const char* kMainTitle = "Corvel -  - RFID by Tarvo";
inline constexpr const char* kOldSorn = "An old version of SORN.DLL is detected\nThe program needs "
                                        "at least the version 2.00.\n\nCorvel cannot run.";
inline constexpr const char* kVelkWarning =
    "Warning !!\nCORVEL.EXE expects the file VELK.DLL\nin the version: 02.03.00 or "
    "greater.\nPlease contact Tarvo to get a new version.";
inline constexpr const char* kSornWarning =
    "Warning !!\nCORVEL.EXE expects the file SORN.DLL\nin the version: 02.08.02 or "
    "greater.\nPlease contact Tarvo to get a new version.";
inline constexpr const char* kNoAutoAnswerThread = "Error: Cannot create Thread for AutoAnswer!";
inline constexpr const char* kUnknownFileType = "Unknown file type !";
/// The first line of the message when a file does not open; the file and the reason follow.
inline constexpr const char* kOpenFailed = "Failed to open document.";
inline constexpr const char* kSaveFailed = "Failed to save document.";
inline constexpr const char* kOfferRecovered =
    "Corvel was ended while documents had unsaved changes.\nOpen the recovered copies?";
} // namespace CorvelText

class CorvelApp {
public:
    explicit CorvelApp(CorvelParts parts);
    /// An application of the libraries and prompts alone: no ports kept, no auto-answer, no
    /// recovery copies, no editors.
    CorvelApp(WkLibraries& libraries, WkPrompts& prompts);
    ~CorvelApp();
    CorvelApp(const CorvelApp&) = delete;
    CorvelApp& operator=(const CorvelApp&) = delete;

    /// Start-up in order; `createFrame` makes the main window (null ends start-up), `args`
    /// is the command line after the program name. A file named there that does not open is
    /// reported and start-up goes on without it. False: the program exits.
    bool InitInstance(const std::function<WkFrameHost*()>& createFrame,
                      const std::vector<std::string>& args);
    /// Shutdown in order; safe to call more than once.
    void ExitInstance();
    /// Exit from the menu: the save question for each modified document (Cancel keeps the
    /// program: false), then every document closed and the shutdown steps.
    bool RequestExit();
    /// Exit on a termination signal, asking nothing: each modified document goes to a
    /// recovery copy, then every document is closed and the shutdown steps run.
    void ExitWithoutQuestions();

    // Commands.
    void OnFileNewLog();
    void OnFileNewProtocol();
    void OnFileNewReader();
    void OnFileNewTransponder();
    void OnFileNewMacro();
    void OnFileOpen();
    /// A recent-file entry; an entry that does not open is removed.
    void OnOpenRecentFile(std::size_t index);
    void OnShowAutoAnswer();
    void OnStopAutoAnswer();
    bool CanShowAutoAnswer() const;
    bool CanStopAutoAnswer() const;

    // Services.
    WkDocTemplate* FindTemplate(WkDocKind kind) const;
    int CreateReaderObject(int portHandle) {
        return libraryServices_.CreateReaderObject(portHandle);
    }
    /// Any thread. True when the line reached the protocol window (from another thread than
    /// the window's: its queue).
    bool AppendToProtocolWindow(const std::string& text);
    /// The auto-answer lines of `pieces` received at `time` (WkLogDoc::AppendReceived).
    bool AppendReceivedToProtocolWindow(WkPackedTime time,
                                        std::vector<std::vector<std::uint8_t>>& pieces, bool silent,
                                        int port);
    int SelectComPort() { return libraryServices_.SelectComPort(); }
    /// A new document of `kind`, replacing the open one of a kind that is open once; a new
    /// transponder is bound to a reader unless `keepUnbound`. True when it was created.
    bool NewDocument(WkDocKind kind, bool keepUnbound);
    bool OpenFileByExtension(const std::string& path, bool keepUnbound);
    /// Whether OpenFileByExtension knows the type of `path` by its extension.
    bool HasTypeFor(const std::string& path) const;
    bool IsAutoAnswerOn() const;
    /// Appends `protocol` to the open macro document, opening a new one when none is open.
    /// False when there is no macro type or no document could be made.
    bool AppendToMacro(const std::string& protocol);
    /// "Add to Macro" of the protocol window: the frame of `line` (a request or an answer
    /// line) goes to the macro. False for a line without a frame.
    bool AddLogLineToMacro(const std::string& line);

    /// Asks each open document to save its changes (the may-close step, then the save
    /// question with Yes, No and Cancel); false when the user cancels leaving or a save fails.
    bool SaveAllModified();
    /// The may-close step and the save question for one document: Yes saves (false when the
    /// save fails or is cancelled), No discards, Cancel answers false. The protocol window is
    /// asked about only while it holds lines that are in no file.
    bool QueryCloseDocument(WkDocument& document);
    /// The close request of a document's window: QueryCloseDocument, then the document is
    /// closed and its window removed. False: the document and its window stay.
    bool RequestCloseDocument(const std::shared_ptr<WkDocument>& document);
    /// Closes every document without a question (the protocol window among them).
    void CloseAllDocuments();
    /// Replaces (closes) a document: QueryCloseDocument, then closed. False when the document
    /// stays (Cancel, or a save that did not happen): the replacement stops.
    bool CloseDocument(const std::shared_ptr<WkDocument>& document);
    /// The protocol window's close request, after QueryCloseDocument: locks the reader
    /// library's hand-over and closes when no hand-over runs. False: try again a little later.
    bool TryCloseProtocolWindow(const std::shared_ptr<WkDocument>& document);
    /// Save (asks for a name when the document has none) and Save As.
    bool SaveDocument(WkDocument& document, bool askName);

    /// The About dialog's "Get Version" texts.
    std::string SornVersionReport() { return libraryServices_.SornVersionReport(); }
    std::string VelkVersionReport() { return libraryServices_.VelkVersionReport(); }

    const std::filesystem::path& WorkingDirectory() const { return workingDirectory_; }
    const std::filesystem::path& SettingsPath() const { return settingsPath_; }
    WkRecentFileList& RecentFiles() { return recentFiles_; }
    const WkTemplateList& Templates() const { return docs_.Templates(); }
    WkLibraries& Libraries() { return libraries_; }
    WkPrompts& UserPrompts() { return prompts_; }
    /// The first open protocol window's document, or none.
    std::shared_ptr<WkLogDoc> ProtocolWindowDocument() const;
    /// The open reader documents (from the hooks), protocol editors and macro editors, for
    /// the COM-Port dialog's association list.
    std::vector<WkPortUser> PortUsers() const;

    /// The callback registered with the reader library.
    static void ProtocolCallback(const char* text, int code);

private:
    enum class OpenOutcome { kOpened, kWasOpen, kFailed, kCancelled };

    std::shared_ptr<WkDocument> CreateNewDocument(WkDocTemplate& docTemplate);
    void CloseDocumentNow(const std::shared_ptr<WkDocument>& document);
    /// Opens `path` as a document of `docTemplate`, replacing the template's first document
    /// when `replaceFirst` is set and the file was read (the replaced one may stay: then
    /// nothing opens). A file already open is not opened again: its window is activated and
    /// its document returned. `remember`: the file enters the recent files. `outcome` may be
    /// null.
    std::shared_ptr<WkDocument> OpenDocumentFile(WkDocTemplate& docTemplate,
                                                 const std::string& path, bool replaceFirst,
                                                 bool remember, OpenOutcome* outcome);
    OpenOutcome OpenFile(const std::string& path, bool keepUnbound);
    /// A new protocol window is open: readers whose hand-over was locked when the last one
    /// closed are logged again.
    void ProtocolWindowOpened();
    void OpenFromCommandLine(const std::string& path);
    void RegisterTemplates();
    void BindTransponderToReader(WkDocTemplate& transTemplate);
    void RecentFilesChanged();
    void OfferRecoveredDocuments();

    WkLibraries& libraries_;
    WkPrompts& prompts_;
    WkPortKeeper& ports_;
    WkAutoAnswerControl& autoAnswer_;
    WkRecovery* recovery_; ///< optional, see CorvelParts
    CorvelDocumentHooks hooks_;
    WkLibraryServices libraryServices_;
    WkDocManager docs_;
    WkRecentFileList recentFiles_{9};
    std::filesystem::path workingDirectory_;
    std::filesystem::path settingsPath_;
    bool started_ = false;
    bool exited_ = false;
};
