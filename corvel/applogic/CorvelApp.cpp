#include "CorvelApp.h"

#include "WkAutoAnswerControl.h"
#include "WkComPortManager.h"
#include "WkDocTemplate.h"
#include "WkDocument.h"
#include "WkFrameHost.h"
#include "WkLibraries.h"
#include "WkLinePort.h"
#include "WkLogDoc.h"
#include "WkLogLineFrame.h"
#include "WkPortKeeper.h"
#include "WkPrompts.h"
#include "WkRecovery.h"
#include "WkStdDoc.h"

#include <algorithm>
#include <atomic>

namespace {

// The reader library's callback carries no context; it reaches the one application here.
std::atomic<CorvelApp*> gApplication{nullptr};

// A failed open or save, with the document's reason when it has one.
std::string WithFileError(const char* text, const WkDocument& document) {
    return document.FileError().empty() ? text : text + ("\n" + document.FileError());
}

// Names the document ("Trans2"), not its window ("TransponderEditor - Trans2").
std::string SaveQuestion(const WkDocument& document) {
    return "Save changes to " + document.SaveNameProposal() + "?";
}

} // namespace

CorvelApp::CorvelApp(CorvelParts parts)
    : libraries_(parts.libraries), prompts_(parts.prompts), ports_(parts.ports),
      autoAnswer_(parts.autoAnswer), recovery_(parts.recovery), hooks_(std::move(parts.hooks)),
      libraryServices_(parts.libraries, parts.prompts), docs_(parts.prompts) {}

CorvelApp::CorvelApp(WkLibraries& libraries, WkPrompts& prompts)
    : CorvelApp(CorvelParts{libraries, prompts}) {}

CorvelApp::~CorvelApp() {
    ExitInstance();
    CorvelApp* self = this;
    gApplication.compare_exchange_strong(self, nullptr);
}

bool CorvelApp::InitInstance(const std::function<WkFrameHost*()>& createFrame,
                             const std::vector<std::string>& args) {
    // 1. Working directory and settings file.
    std::error_code error;
    workingDirectory_ = std::filesystem::current_path(error);
    settingsPath_ = workingDirectory_ / "Corvel.ini";

    // 2. Document templates, in order; the other types plug in after "Log".
    RegisterTemplates();

    // 3. Main frame and its per-user settings (the recent-file list).
    WkFrameHost* frame = createFrame ? createFrame() : nullptr;
    if (frame == nullptr) {
        return false;
    }
    docs_.SetFrame(*frame);
    recentFiles_.Assign(frame->LoadRecentFiles());
    RecentFilesChanged();
    started_ = true;

    // 4. Show the main window.
    frame->ShowMainWindow();

    // 5. Serial-port library gate, and warnings about older libraries.
    if (!libraryServices_.CheckVersions()) {
        return false;
    }

    // 6. Ports of the previous run.
    ports_.RestorePorts(settingsPath_);

    // 7. A file named on the command line, once its port is open: a reader file opened
    // before would find no port, go offline and forget the one it names. One that does not
    // open was reported, and the program starts without it.
    if (!args.empty() && !args.front().empty()) {
        OpenFromCommandLine(args.front());
    }

    // 8. Protocol lines of the reader library.
    gApplication.store(this);
    libraries_.SetProtocolCallback(&CorvelApp::ProtocolCallback);

    // 9. The protocol window. A ".log" file named on the command line is already open and
    // stays; replacing it by an empty window would hide the file just asked for.
    if (!ProtocolWindowDocument()) {
        OnFileNewLog();
    }

    // 10. Auto-answer reception, suspended.
    if (!autoAnswer_.Create()) {
        prompts_.ShowMessage(CorvelText::kNoAutoAnswerThread);
        return false;
    }

    // 11. Copies of documents left unsaved when the last run was ended by a signal.
    OfferRecoveredDocuments();
    return true;
}

void CorvelApp::RegisterTemplates() {
    docs_.Templates().Register(std::make_unique<WkDocTemplate>(
        CorvelTemplates::kLogId, CorvelTemplates::kLog,
        []() -> std::shared_ptr<WkDocument> { return std::make_shared<WkLogDoc>(); }));
    if (hooks_.registerTemplates) {
        hooks_.registerTemplates(*this, docs_.Templates());
    }
}

void CorvelApp::OfferRecoveredDocuments() {
    if (recovery_ == nullptr) {
        return;
    }
    const std::vector<WkRecovery::Entry> entries = recovery_->Pending();
    if (!entries.empty() && prompts_.AskYesNo(CorvelText::kOfferRecovered)) {
        for (const WkRecovery::Entry& entry : entries) {
            const std::optional<WkDocKind> kind = DocKindOfPath(entry.copy.string());
            WkDocTemplate* docTemplate = kind ? FindTemplate(*kind) : nullptr;
            if (docTemplate == nullptr) {
                continue;
            }
            // The copy is no file of the user's: it never enters the recent files.
            auto document = OpenDocumentFile(*docTemplate, entry.copy.string(),
                                             !DocKindInfo(*kind).multiple, false, nullptr);
            if (document) {
                // The copy stands for the original: saving writes the original file.
                document->SetPathName(entry.originalPath);
                document->SetTitle(entry.title);
                document->SetModified(true);
                if (auto* log = dynamic_cast<WkLogDoc*>(document.get())) {
                    log->MarkLinesUnsaved();
                }
            }
        }
    }
    recovery_->Discard();
}

bool CorvelApp::RequestExit() {
    if (!SaveAllModified()) {
        // The questions set the protocol window's plain title; the window stays, with its own.
        if (const auto log = ProtocolWindowDocument()) {
            log->SetTitle(log->PlainTitle());
        }
        return false;
    }
    CloseAllDocuments();
    ExitInstance();
    return true;
}

void CorvelApp::ExitWithoutQuestions() {
    // Without recovery copies nothing is kept (see CorvelParts).
    if (recovery_ != nullptr) {
        for (const auto& document : docs_.Documents()) {
            document->BeforeSaveQuestion();
            if (document->IsModified()) {
                recovery_->Write(*document, document->Template()->DefaultExtension());
            }
        }
    }
    CloseAllDocuments();
    ExitInstance();
}

void CorvelApp::ExitInstance() {
    if (exited_ || !started_) {
        return;
    }
    exited_ = true;
    // The protocol window goes first, so that no thread stays waiting for it.
    if (auto log = ProtocolWindowDocument()) {
        log->BeginClose();
    }
    if (autoAnswer_.IsOn()) {
        autoAnswer_.Stop();
    }
    autoAnswer_.Destroy();
    ports_.SavePorts(settingsPath_);
    libraries_.SetProtocolCallback(nullptr);
    CorvelApp* self = this;
    gApplication.compare_exchange_strong(self, nullptr);
    docs_.Frame().SaveRecentFiles(recentFiles_.Entries());
}

void CorvelApp::ProtocolCallback(const char* text, int /*code*/) {
    CorvelApp* app = gApplication.load();
    if (app != nullptr && text != nullptr) {
        app->AppendToProtocolWindow(text);
    }
}

WkDocTemplate* CorvelApp::FindTemplate(WkDocKind kind) const {
    return ::FindTemplate(docs_.Templates(), kind);
}

std::shared_ptr<WkLogDoc> CorvelApp::ProtocolWindowDocument() const {
    WkDocTemplate* log = FindTemplate(WkDocKind::Log);
    if (log == nullptr) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<WkLogDoc>(log->FirstDocument());
}

std::vector<WkPortUser> CorvelApp::PortUsers() const {
    std::vector<WkPortUser> users;
    if (hooks_.listReaderDocuments) {
        for (const WkReaderDocInfo& reader : hooks_.listReaderDocuments(*this)) {
            users.push_back({WkPortUser::Kind::Reader, reader.readerHandle, reader.busAddress,
                             reader.storedName});
        }
    }
    for (const auto& [docKind, kind] :
         {std::pair{WkDocKind::Protocol, WkPortUser::Kind::ProtocolEditor},
          std::pair{WkDocKind::Macro, WkPortUser::Kind::MacroEditor}}) {
        WkDocTemplate* docTemplate = FindTemplate(docKind);
        if (docTemplate == nullptr) {
            continue;
        }
        for (const auto& document : docTemplate->Documents()) {
            if (const auto* editor = dynamic_cast<const WkStdDoc*>(document.get())) {
                users.push_back({kind, editor->GetReaderHandle(), 0, editor->SaveNameProposal()});
            }
        }
    }
    return users;
}

bool CorvelApp::AppendToProtocolWindow(const std::string& text) {
    std::shared_ptr<WkLogDoc> log = ProtocolWindowDocument();
    return log && log->Append(text, WkLinePort::Current());
}

bool CorvelApp::AppendReceivedToProtocolWindow(WkPackedTime time,
                                               std::vector<std::vector<std::uint8_t>>& pieces,
                                               bool silent, int port) {
    std::shared_ptr<WkLogDoc> log = ProtocolWindowDocument();
    return log && log->AppendReceived(time, pieces, silent, port);
}

bool CorvelApp::IsAutoAnswerOn() const {
    return autoAnswer_.IsOn();
}

std::shared_ptr<WkDocument> CorvelApp::CreateNewDocument(WkDocTemplate& docTemplate) {
    return docs_.CreateNew(docTemplate);
}

std::shared_ptr<WkDocument> CorvelApp::OpenDocumentFile(WkDocTemplate& docTemplate,
                                                        const std::string& givenPath,
                                                        bool replaceFirst, bool remember,
                                                        OpenOutcome* outcome) {
    OpenOutcome ignored;
    OpenOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = OpenOutcome::kFailed;
    const std::string path = WkDocManager::CanonicalPath(givenPath);
    std::shared_ptr<WkDocument> document = docs_.FindOpen(path);
    if (document) {
        // A file is open once: its window comes to the front.
        docs_.Frame().ActivateFrameOf(*document);
        result = OpenOutcome::kWasOpen;
    } else {
        // The file is read before anything open is replaced, so a failed open changes nothing.
        document = docs_.Read(docTemplate, givenPath, path);
        if (!document) {
            return nullptr;
        }
        if (std::shared_ptr<WkDocument> open = docTemplate.FirstDocument();
            replaceFirst && open && !CloseDocument(open)) {
            document->OnCloseDocument();
            result = OpenOutcome::kCancelled;
            return nullptr;
        }
        if (!docs_.Show(docTemplate, document, path)) {
            return nullptr;
        }
        if (dynamic_cast<WkLogDoc*>(document.get()) != nullptr) {
            ProtocolWindowOpened();
        }
        result = OpenOutcome::kOpened;
    }
    if (remember) {
        recentFiles_.Add(path);
        RecentFilesChanged();
    }
    return document;
}

bool CorvelApp::CloseDocument(const std::shared_ptr<WkDocument>& document) {
    if (!document) {
        return true;
    }
    if (!QueryCloseDocument(*document)) {
        return false;
    }
    CloseDocumentNow(document);
    return true;
}

void CorvelApp::CloseDocumentNow(const std::shared_ptr<WkDocument>& document) {
    docs_.CloseNow(document);
}

bool CorvelApp::QueryCloseDocument(WkDocument& document) {
    if (!document.CanCloseFrame()) {
        return false;
    }
    document.BeforeSaveQuestion();
    if (!document.IsModified()) {
        return true;
    }
    bool closes = false;
    switch (prompts_.AskYesNoCancel(SaveQuestion(document))) {
    case Prompts::Answer::Yes:
        closes = SaveDocument(document, false);
        break;
    case Prompts::Answer::No:
        closes = true;
        break;
    case Prompts::Answer::Cancel:
        break;
    }
    if (auto* log = dynamic_cast<WkLogDoc*>(&document); log != nullptr && !closes) {
        // The question showed the plain title; the window that stays shows its own again.
        log->SetTitle(log->PlainTitle());
    }
    return closes;
}

bool CorvelApp::RequestCloseDocument(const std::shared_ptr<WkDocument>& document) {
    return document && CloseDocument(document);
}

void CorvelApp::CloseAllDocuments() {
    for (const auto& document : docs_.Documents()) {
        CloseDocumentNow(document);
    }
}

bool CorvelApp::SaveAllModified() {
    for (const auto& document : docs_.Documents()) {
        if (!QueryCloseDocument(*document)) {
            return false;
        }
    }
    return true;
}

bool CorvelApp::SaveDocument(WkDocument& document, bool askName) {
    if (!document.CommitPendingEdits()) {
        return false;
    }
    std::string path = document.GetPathName();
    if (askName || path.empty()) {
        const WkDocTemplate* docTemplate = document.Template();
        std::optional<std::string> chosen = prompts_.AskSaveFileOfType(
            document.SaveNameProposal(), docTemplate ? docTemplate->FileFilter() : std::string());
        if (!chosen) {
            return false;
        }
        path = docTemplate ? docTemplate->WithDefaultExtension(*chosen) : *chosen;
    }
    path = WkDocManager::CanonicalPath(path);
    if (!document.Save(path)) {
        prompts_.ShowMessage(WithFileError(CorvelText::kSaveFailed, document));
        return false;
    }
    recentFiles_.Add(path);
    RecentFilesChanged();
    return true;
}

bool CorvelApp::TryCloseProtocolWindow(const std::shared_ptr<WkDocument>& document) {
    libraries_.SetReaderPara(0, "LockProtToApp", "0");
    if (auto* log = dynamic_cast<WkLogDoc*>(document.get())) {
        log->BeginClose();
    }
    std::string value = "0";
    if (libraries_.GetReaderPara(0, "IsProtToAppLocked", value) == 0) {
        return false;
    }
    CloseDocumentNow(document);
    return true;
}

void CorvelApp::ProtocolWindowOpened() {
    libraries_.SetReaderPara(0, "UnlockProtToApp", "0");
}

void CorvelApp::OnFileNewLog() {
    WkDocTemplate* log = FindTemplate(WkDocKind::Log);
    if (log == nullptr) {
        prompts_.ShowMessage("No Template with Log found !");
        return;
    }
    if (std::shared_ptr<WkDocument> open = log->FirstDocument(); open && !CloseDocument(open)) {
        return;
    }
    if (CreateNewDocument(*log)) {
        ProtocolWindowOpened();
    }
}

bool CorvelApp::NewDocument(WkDocKind kind, bool keepUnbound) {
    const WkDocKindInfo& info = DocKindInfo(kind);
    WkDocTemplate* docTemplate = FindTemplate(kind);
    if (docTemplate == nullptr) {
        prompts_.ShowMessage("No Template with " + std::string(info.name) + " found !");
        return false;
    }
    if (!info.multiple) {
        if (std::shared_ptr<WkDocument> open = docTemplate->FirstDocument();
            open && !CloseDocument(open)) {
            return false;
        }
    }
    if (!CreateNewDocument(*docTemplate)) {
        return false;
    }
    if (kind == WkDocKind::Transponder && !keepUnbound) {
        BindTransponderToReader(*docTemplate);
    }
    return true;
}

void CorvelApp::BindTransponderToReader(WkDocTemplate& transTemplate) {
    std::shared_ptr<WkDocument> transponder = transTemplate.LastDocument();
    if (!transponder) {
        return;
    }
    std::vector<WkReaderDocInfo> readers;
    if (hooks_.listReaderDocuments) {
        readers = hooks_.listReaderDocuments(*this);
    }
    WkReaderChoice choice = WkReaderChoice::FromDocuments(readers, libraries_);
    if (choice.IsEmpty()) {
        return;
    }
    std::optional<WkReaderSelection> reader = prompts_.SelectReader(choice);
    if (reader && hooks_.bindTransponder) {
        hooks_.bindTransponder(*this, *transponder, *reader);
    }
}

bool CorvelApp::OpenFileByExtension(const std::string& givenPath, bool keepUnbound) {
    const OpenOutcome outcome = OpenFile(givenPath, keepUnbound);
    return outcome == OpenOutcome::kOpened || outcome == OpenOutcome::kWasOpen;
}

CorvelApp::OpenOutcome CorvelApp::OpenFile(const std::string& givenPath, bool keepUnbound) {
    std::string path = givenPath;
    if (path.empty()) {
        std::vector<std::string> filters;
        for (const auto& docTemplate : docs_.Templates().All()) {
            filters.push_back(docTemplate->FileFilter());
        }
        std::optional<std::string> chosen = prompts_.AskOpenFileOfTypes(filters);
        if (!chosen) {
            return OpenOutcome::kCancelled;
        }
        path = *chosen;
    }
    const std::optional<WkDocKind> kind = DocKindOfPath(path);
    WkDocTemplate* docTemplate = kind ? FindTemplate(*kind) : nullptr;
    if (docTemplate == nullptr) {
        prompts_.ShowMessage(CorvelText::kUnknownFileType);
        return OpenOutcome::kFailed;
    }
    OpenOutcome outcome = OpenOutcome::kFailed;
    OpenDocumentFile(*docTemplate, path, !DocKindInfo(*kind).multiple, true, &outcome);
    if (outcome != OpenOutcome::kOpened) {
        return outcome;
    }
    if (kind == WkDocKind::Reader && hooks_.linkReader) {
        hooks_.linkReader(*this, false);
    }
    if (kind == WkDocKind::Transponder && !keepUnbound) {
        BindTransponderToReader(*docTemplate);
    }
    return outcome;
}

bool CorvelApp::HasTypeFor(const std::string& path) const {
    const std::optional<WkDocKind> kind = DocKindOfPath(path);
    return kind && FindTemplate(*kind) != nullptr;
}

void CorvelApp::OpenFromCommandLine(const std::string& path) {
    // The shell's route: the type by the extension as File > Open finds it, but nothing open
    // is replaced.
    const std::optional<WkDocKind> kind = DocKindOfPath(path);
    if (WkDocTemplate* docTemplate = kind ? FindTemplate(*kind) : nullptr) {
        OpenDocumentFile(*docTemplate, path, false, true, nullptr);
        return;
    }
    prompts_.ShowMessage(std::string(CorvelText::kUnknownFileType) + "\n" + path);
}

void CorvelApp::OnFileNewProtocol() {
    NewDocument(WkDocKind::Protocol, false);
}

void CorvelApp::OnFileNewReader() {
    if (NewDocument(WkDocKind::Reader, false) && hooks_.linkReader) {
        hooks_.linkReader(*this, true);
    }
}

void CorvelApp::OnFileNewTransponder() {
    NewDocument(WkDocKind::Transponder, false);
}

void CorvelApp::OnFileNewMacro() {
    NewDocument(WkDocKind::Macro, false);
}

bool CorvelApp::AppendToMacro(const std::string& protocol) {
    WkDocTemplate* macro = FindTemplate(WkDocKind::Macro);
    if (macro == nullptr || !hooks_.appendToMacro) {
        prompts_.ShowMessage("No Template with Macro found !");
        return false;
    }
    std::shared_ptr<WkDocument> document = macro->FirstDocument();
    if (!document) {
        if (!CreateNewDocument(*macro)) {
            return false;
        }
        document = macro->FirstDocument();
    }
    return document && hooks_.appendToMacro(*document, protocol);
}

bool CorvelApp::AddLogLineToMacro(const std::string& line) {
    const std::optional<std::string> frame = WkLogLineFrame(line);
    return frame && AppendToMacro(*frame);
}

void CorvelApp::OnFileOpen() {
    OpenFileByExtension("", false);
}

void CorvelApp::OnOpenRecentFile(std::size_t index) {
    if (index >= recentFiles_.Entries().size()) {
        return;
    }
    const std::string path = recentFiles_.Entries()[index];
    if (OpenFile(path, false) == OpenOutcome::kFailed) {
        // The open may have reordered the list; drop the entry by name.
        const auto& entries = recentFiles_.Entries();
        auto it = std::find(entries.begin(), entries.end(), path);
        if (it != entries.end()) {
            recentFiles_.Remove(static_cast<std::size_t>(it - entries.begin()));
        }
        RecentFilesChanged();
    }
}

bool CorvelApp::CanShowAutoAnswer() const {
    return !autoAnswer_.IsOn();
}

bool CorvelApp::CanStopAutoAnswer() const {
    return autoAnswer_.IsOn();
}

void CorvelApp::OnShowAutoAnswer() {
    if (CanShowAutoAnswer()) {
        autoAnswer_.Show();
    }
}

void CorvelApp::OnStopAutoAnswer() {
    if (CanStopAutoAnswer()) {
        autoAnswer_.Stop();
    }
}

void CorvelApp::RecentFilesChanged() {
    docs_.Frame().RecentFilesChanged();
}
