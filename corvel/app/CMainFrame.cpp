#include "CMainFrame.h"

#include "CAboutDlg.h"
#include "CFileInfoDlg.h"
#include "CStdChildFrame.h"
#include "CorvelApp.h"
#include "WkCommandTable.h"
#include "WkDocTemplate.h"
#include "WkDocumentView.h"
#include "WkLogChildFrame.h"
#include "WkLogDoc.h"
#include "WkPrompts.h"
#include "WkQtText.h"
#include "WkWindowCommands.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <optional>

namespace {

constexpr const char* kRecentSection = "Recent File List";
constexpr int kRecentCapacity = 9;

} // namespace

// The icons live in the static UI library; register them before the first action needs one.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

CMainFrame::CMainFrame(CorvelApp& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)),
      windows_(*mdiArea_, app.UserPrompts()), statusTimer_(new QTimer(this)) {
    InitIconResources();
    setWindowTitle(CorvelText::kMainTitle);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { UpdateForActiveWindow(); });
    // The toolkit's idle refresh of the status bar and the command states.
    connect(statusTimer_, &QTimer::timeout, this, &CMainFrame::RefreshStatus);
    statusTimer_->start(250);
    qApp->installEventFilter(this);
    UpdateForActiveWindow();
    RefreshStatus();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

QAction* CMainFrame::MakeAction(int id, const char* icon) {
    const WkCommand* command = FindCommand(id);
    auto* action = new QAction(command != nullptr ? ToQt(command->menuText) : QString(), this);
    if (command != nullptr && command->shortcut[0] != '\0') {
        action->setShortcut(QKeySequence(ToQt(command->shortcut)));
    }
    action->setData(id);
    action->setStatusTip(ToQt(CommandPrompt(id)));
    action->setToolTip(ToQt(CommandToolTip(id)));
    if (icon != nullptr) {
        // Shipped with the program, so the buttons show on any desktop.
        action->setIcon(QIcon(QString(":/icons/%1.png").arg(icon)));
    }
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    actions_[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    using namespace CommandId;
    MakeAction(kNewReader);
    MakeAction(kNewTransponder);
    MakeAction(kNewProtocol);
    MakeAction(kNewMacro);
    MakeAction(kNewLog);
    MakeAction(kNewPopup, "new");
    MakeAction(kFileOpen, "open");
    MakeAction(kFileClose);
    MakeAction(kFileSave, "save");
    MakeAction(kFileSaveAs);
    MakeAction(kFileInfo);
    MakeAction(kPrintSetup);
    MakeAction(kPrint, "print");
    MakeAction(kPrintDirect);
    MakeAction(kPrintPreview);
    MakeAction(kExit);
    MakeAction(kEditUndo);
    MakeAction(kEditCut, "cut");
    MakeAction(kEditCopy, "copy");
    MakeAction(kEditPaste, "paste");
    MakeAction(kEditInsert);
    MakeAction(kEditDelete);
    MakeAction(kViewToolbar)->setCheckable(true);
    MakeAction(kViewStatusBar)->setCheckable(true);
    MakeAction(kComPort, "comport");
    MakeAction(kFont);
    MakeAction(kShowAutoAnswer, "play");
    MakeAction(kStopAutoAnswer, "stop");
    MakeAction(kWindowCascade);
    MakeAction(kWindowTileHorizontal);
    MakeAction(kWindowTileVertical);
    MakeAction(kWindowArrange);
    MakeAction(kArrangeProtocolWindow);
    MakeAction(kWindowMore);
    MakeAction(kAbout);
    for (int i = 0; i < kRecentCapacity; ++i) {
        auto* action = new QAction(this);
        const int index = i;
        action->setData(kRecentFirst + i);
        action->setStatusTip("Open this document.");
        connect(action, &QAction::triggered, this, [this, index] {
            app_.OnOpenRecentFile(static_cast<std::size_t>(index));
            RefreshStatus();
        });
        action->setVisible(false);
        actions_[kRecentFirst + i] = action;
        recentActions_.push_back(action);
    }
}

void CMainFrame::CreateMenus() {
    using namespace CommandId;
    fileMenu_ = menuBar()->addMenu(ToQt(MenuTitle(kMenuFile)));
    newMenu_ = fileMenu_->addMenu(ToQt(MenuTitle(kMenuFileNew)));
    newMenu_->addAction(actions_[kNewReader]);
    newMenu_->addAction(actions_[kNewTransponder]);
    newMenu_->addAction(actions_[kNewProtocol]);
    newMenu_->addAction(actions_[kNewMacro]);
    newMenu_->addSeparator();
    newMenu_->addAction(actions_[kNewLog]);
    fileMenu_->addAction(actions_[kFileOpen]);
    fileMenu_->addAction(actions_[kFileClose]);
    fileMenu_->addAction(actions_[kFileSave]);
    fileMenu_->addAction(actions_[kFileSaveAs]);
    fileMenu_->addAction(actions_[kFileInfo]);
    fileMenu_->addSeparator();
    fileMenu_->addAction(actions_[kPrint]);
    fileMenu_->addAction(actions_[kPrintDirect]);
    fileMenu_->addAction(actions_[kPrintPreview]);
    fileMenu_->addAction(actions_[kPrintSetup]);
    recentSeparator_ = fileMenu_->addSeparator();
    for (QAction* action : recentActions_) {
        fileMenu_->addAction(action);
    }
    fileMenu_->addSeparator();
    exitAction_ = actions_[kExit];
    fileMenu_->addAction(exitAction_);

    editMenu_ = menuBar()->addMenu(ToQt(MenuTitle(kMenuEdit)));
    editMenu_->addAction(actions_[kEditUndo]);
    editMenu_->addSeparator();
    editMenu_->addAction(actions_[kEditCut]);
    editMenu_->addAction(actions_[kEditCopy]);
    editMenu_->addAction(actions_[kEditPaste]);
    editMenu_->addAction(actions_[kEditInsert]);
    editMenu_->addAction(actions_[kEditDelete]);

    QMenu* view = menuBar()->addMenu(ToQt(MenuTitle(kMenuView)));
    view->addAction(actions_[kViewToolbar]);
    view->addAction(actions_[kViewStatusBar]);

    QMenu* options = menuBar()->addMenu(ToQt(MenuTitle(kMenuOptions)));
    options->addAction(actions_[kComPort]);
    options->addAction(actions_[kFont]);
    options->addSeparator();
    options->addAction(actions_[kShowAutoAnswer]);
    options->addAction(actions_[kStopAutoAnswer]);

    windowMenu_ = menuBar()->addMenu(ToQt(MenuTitle(kMenuWindow)));
    windowMenu_->addAction(actions_[kWindowCascade]);
    windowMenu_->addAction(actions_[kWindowTileHorizontal]);
    windowMenu_->addAction(actions_[kWindowTileVertical]);
    windowMenu_->addAction(actions_[kWindowArrange]);
    windowMenu_->addAction(actions_[kArrangeProtocolWindow]);
    windowMenu_->addSeparator();
    connect(windowMenu_, &QMenu::aboutToShow, this,
            [this] { windows_.List(*windowMenu_, actions_[CommandId::kWindowMore]); });

    QMenu* help = menuBar()->addMenu(ToQt(MenuTitle(kMenuHelp)));
    help->addAction(actions_[kAbout]);
}

void CMainFrame::CreateToolBar() {
    using namespace CommandId;
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("MainToolBar");
    bar->setIconSize(QSize(16, 16));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setMovable(true);
    bar->addAction(actions_[kNewPopup]);
    bar->addSeparator();
    bar->addAction(actions_[kFileOpen]);
    bar->addAction(actions_[kFileSave]);
    bar->addSeparator();
    bar->addAction(actions_[kEditCut]);
    bar->addAction(actions_[kEditCopy]);
    bar->addAction(actions_[kEditPaste]);
    bar->addSeparator();
    bar->addAction(actions_[kPrint]);
    bar->addSeparator();
    bar->addAction(actions_[kShowAutoAnswer]);
    bar->addAction(actions_[kStopAutoAnswer]);
    bar->addSeparator();
    bar->addAction(actions_[kComPort]);
    QAction* toggle = actions_[kViewToolbar];
    toggle->setChecked(true);
    connect(bar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    // Pane 0 is the status bar's own message area: command prompts while a command is
    // highlighted. Panes 1 .. 4 are permanent.
    const char* const samples[] = {"", "Auto Answer on", "S", "INS", "NUM"};
    for (int i = 1; i < 5; ++i) {
        auto* pane = new QLabel(this);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(samples[i]) + 8);
        pane->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(pane);
        panes_[i] = pane;
    }
    actions_[CommandId::kViewStatusBar]->setChecked(true);
    statusBar()->showMessage("Ready");
}

QLabel* CMainFrame::Pane(int index) const {
    return index >= 1 && index < 5 ? panes_[index] : nullptr;
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QPoint CMainFrame::NewDocumentMenuPosition() const {
    return mapToGlobal(QPoint(0, 0)) + QPoint(25, 75);
}

void CMainFrame::RegisterView(const std::string& templateName, ViewFactory factory) {
    viewFactories_[templateName] = std::move(factory);
}

void CMainFrame::SetFrameFactory(const std::string& templateName, FrameFactory factory) {
    factories_[templateName] = std::move(factory);
}

void CMainFrame::SetComPortCommand(std::function<void()> command) {
    comPortCommand_ = std::move(command);
    RefreshStatus();
}

void CMainFrame::RunCommand(int id) {
    using namespace CommandId;
    switch (id) {
    case kNewLog:
        app_.OnFileNewLog();
        break;
    case kNewProtocol:
        app_.OnFileNewProtocol();
        break;
    case kNewReader:
        app_.OnFileNewReader();
        break;
    case kNewTransponder:
        app_.OnFileNewTransponder();
        break;
    case kNewMacro:
        app_.OnFileNewMacro();
        break;
    case kNewPopup:
        newMenu_->popup(NewDocumentMenuPosition());
        break;
    case kFileOpen:
        app_.OnFileOpen();
        break;
    case kFileClose:
        if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) {
            active->close();
        }
        break;
    case kFileSave:
        SaveActive(false);
        break;
    case kFileSaveAs:
        SaveActive(true);
        break;
    case kFileInfo:
        ShowFileInfo();
        break;
    case kPrintSetup: {
        if (!printer_) {
            printer_ = std::make_unique<QPrinter>();
        }
        QPageSetupDialog dialog(printer_.get(), this);
        dialog.exec();
        break;
    }
    case kPrint:
    case kPrintDirect:
    case kPrintPreview:
        Print(id);
        break;
    case kExit:
        close();
        break;
    case kViewToolbar:
        if (auto* bar = findChild<QToolBar*>("MainToolBar")) {
            bar->setVisible(!bar->isVisible());
        }
        break;
    case kViewStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        actions_[kViewStatusBar]->setChecked(statusBar()->isVisible());
        break;
    case kComPort:
        if (comPortCommand_) {
            comPortCommand_();
        }
        break;
    case kShowAutoAnswer:
        app_.OnShowAutoAnswer();
        break;
    case kStopAutoAnswer:
        app_.OnStopAutoAnswer();
        break;
    case kWindowCascade:
        windows_.Cascade();
        break;
    case kWindowTileHorizontal:
    case kWindowTileVertical:
        windows_.Tile(id == kWindowTileHorizontal);
        break;
    case kWindowMore:
        windows_.Choose();
        break;
    case kWindowArrange:
        windows_.ArrangeIcons();
        break;
    case kArrangeProtocolWindow:
        ArrangeProtocolWindow();
        break;
    case kAbout: {
        CAboutDlg about(app_, this);
        about.exec();
        break;
    }
    default: // 32782 and anything unknown: nothing, unless the active view runs it
        if (std::optional<WkViewCommand> command = ViewCommandOf(id)) {
            if (WkDocumentView* view = ActiveView();
                view != nullptr && view->AvailableCommands().Has(*command)) {
                view->RunCommand(*command);
            }
        }
        break;
    }
    RefreshStatus();
}

void CMainFrame::SetAutoAnswerDeviceAway(bool away) {
    autoAnswerDeviceAway_ = away;
    RefreshStatus();
}

void CMainFrame::RefreshStatus() {
    using namespace CommandId;
    panes_[1]->setText(ToQt(AutoAnswerPaneText(app_.IsAutoAnswerOn(), autoAnswerDeviceAway_)));
    locks_.Refresh();
    panes_[2]->setText(locks_.ScrollLock() ? "S" : "");
    panes_[3]->setText(insertMode_ ? "INS" : "");
    panes_[4]->setText(locks_.NumLock() ? "NUM" : "");
    actions_[kShowAutoAnswer]->setEnabled(app_.CanShowAutoAnswer());
    actions_[kStopAutoAnswer]->setEnabled(app_.CanStopAutoAnswer());
    actions_[kComPort]->setEnabled(static_cast<bool>(comPortCommand_));
    UpdateForActiveWindow();
}

void CMainFrame::UpdateForActiveWindow() {
    WkActiveWindow active;
    const std::shared_ptr<WkDocument> document = ActiveDocument();
    active.document = document.get();
    if (WkDocumentView* view = ActiveView()) {
        active.viewCommands = view->AvailableCommands();
    }
    active.protocolWindowOpen = ProtocolFrame() != nullptr;
    for (const auto& [id, action] : actions_) {
        if (ViewCommandOf(id) || id == CommandId::kFileClose ||
            id == CommandId::kArrangeProtocolWindow) {
            action->setEnabled(IsWindowCommandEnabled(id, active));
        }
    }
}

CStdChildFrame* CMainFrame::ActiveFrame() const {
    auto* frame = qobject_cast<CStdChildFrame*>(mdiArea_->activeSubWindow());
    if (frame == nullptr && mdiArea_->activeSubWindow() == nullptr &&
        mdiArea_->subWindowList().size() == 1) {
        // Before any window was activated the only window counts as the active one.
        frame = qobject_cast<CStdChildFrame*>(mdiArea_->subWindowList().front());
    }
    return frame;
}

WkDocumentView* CMainFrame::ActiveView() const {
    CStdChildFrame* frame = ActiveFrame();
    return frame != nullptr ? frame->DocumentView() : nullptr;
}

std::shared_ptr<WkDocument> CMainFrame::ActiveDocument() const {
    CStdChildFrame* frame = ActiveFrame();
    return frame != nullptr ? frame->Document() : nullptr;
}

void CMainFrame::Print(int id) {
    WkDocumentView* view = ActiveView();
    if (view == nullptr || !view->AvailableCommands().Has(WkViewCommand::Print)) {
        return;
    }
    // The printer chosen in "Printer Setup..." serves every print.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>();
    }
    if (id == CommandId::kPrintPreview) {
        QPrintPreviewDialog preview(printer_.get(), this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [view](QPrinter* printer) { view->PrintOn(*printer); });
        preview.exec();
        return;
    }
    if (id == CommandId::kPrint) {
        // The dialog asks itself before it replaces a file.
        QPrintDialog dialog(printer_.get(), this);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
    } else if (printer_->outputFormat() == QPrinter::PdfFormat &&
               !MayReplaceFile(PathFromQt(printer_->outputFileName()), app_.UserPrompts())) {
        return;
    }
    view->PrintOn(*printer_);
}

void CMainFrame::SaveActive(bool askName) {
    if (std::shared_ptr<WkDocument> document = ActiveDocument()) {
        app_.SaveDocument(*document, askName);
    }
}

void CMainFrame::ShowFileInfo() {
    std::shared_ptr<WkDocument> document = ActiveDocument();
    if (!document) {
        return;
    }
    if (std::optional<WkFileInfoModel> model = document->GetFileInfo()) {
        CFileInfoDlg dialog(*model, this);
        dialog.exec();
    }
}

WkLogChildFrame* CMainFrame::ProtocolFrame() const {
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        if (auto* frame = qobject_cast<WkLogChildFrame*>(window)) {
            return frame;
        }
    }
    return nullptr;
}

void CMainFrame::ArrangeProtocolWindow() {
    WkLogChildFrame* frame = ProtocolFrame();
    if (frame == nullptr) {
        return;
    }
    if (frame->isMinimized() || frame->isMaximized()) {
        frame->showNormal();
    }
    const QSize client = mdiArea_->viewport()->size();
    const int top = client.height() * 2 / 3;
    frame->setGeometry(0, top, client.width(), client.height() - top);
    windows_.Activate(frame);
}

bool CMainFrame::CreateFrameFor(const std::shared_ptr<WkDocument>& document) {
    const WkDocTemplate* docTemplate = document->Template();
    if (docTemplate == nullptr) {
        return false;
    }
    QMdiSubWindow* frame = nullptr;
    const std::string& name = docTemplate->DocumentName();
    const bool isLog = name == "Log";
    if (isLog) {
        auto log = std::dynamic_pointer_cast<WkLogDoc>(document);
        if (!log) {
            return false;
        }
        frame = new WkLogChildFrame(app_, log);
    } else if (auto view = viewFactories_.find(name); view != viewFactories_.end()) {
        QWidget* widget = view->second(document);
        if (widget == nullptr) {
            return false;
        }
        frame = new CStdChildFrame(app_, document, widget);
    } else if (auto own = factories_.find(name);
               own == factories_.end() || !(frame = own->second(document))) {
        return false;
    }
    mdiArea_->addSubWindow(frame);
    frames_[document.get()] = frame;
    frame->show();
    if (isLog) {
        ArrangeProtocolWindow();
    } else if (auto* standard = qobject_cast<CStdChildFrame*>(frame)) {
        standard->FitIntoWorkspace();
    }
    UpdateForActiveWindow();
    return true;
}

void CMainFrame::DestroyFrameOf(WkDocument& document) {
    auto it = frames_.find(&document);
    if (it == frames_.end()) {
        return;
    }
    QPointer<QMdiSubWindow> frame = it->second;
    frames_.erase(it);
    if (auto* standard = qobject_cast<CStdChildFrame*>(frame.data())) {
        standard->CloseForDocument();
    } else if (frame) {
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->close();
    }
    UpdateForActiveWindow();
}

void CMainFrame::ActivateFrameOf(WkDocument& document) {
    auto it = frames_.find(&document);
    if (it != frames_.end() && it->second) {
        mdiArea_->setActiveSubWindow(it->second);
    }
}

void CMainFrame::ShowMainWindow() {
    QSettings settings;
    restoreState(settings.value("Settings/WindowState").toByteArray());
    // Without a window manager nothing maximises: the window takes the screen itself.
    if (QScreen* shown = screen()) {
        setGeometry(shown->availableGeometry());
    }
    showMaximized();
    RefreshStatus();
}

std::vector<std::string> CMainFrame::LoadRecentFiles() {
    QSettings settings;
    std::vector<std::string> entries;
    for (int i = 1; i <= kRecentCapacity; ++i) {
        QString path = settings.value(QString("%1/File%2").arg(kRecentSection).arg(i)).toString();
        if (!path.isEmpty()) {
            entries.push_back(PathFromQt(path));
        }
    }
    return entries;
}

void CMainFrame::SaveRecentFiles(const std::vector<std::string>& entries) {
    QSettings settings;
    settings.remove(kRecentSection);
    for (std::size_t i = 0; i < entries.size() && i < kRecentCapacity; ++i) {
        settings.setValue(QString("%1/File%2").arg(kRecentSection).arg(i + 1),
                          PathToQt(entries[i]));
    }
    settings.setValue("Settings/WindowState", saveState());
}

void CMainFrame::RecentFilesChanged() {
    const auto& entries = app_.RecentFiles().Entries();
    for (std::size_t i = 0; i < recentActions_.size(); ++i) {
        QAction* action = recentActions_[i];
        if (i < entries.size()) {
            action->setText(QString("&%1 %2").arg(i + 1).arg(PathToQt(entries[i])));
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    recentSeparator_->setVisible(!entries.empty());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (!app_.RequestExit()) {
        event->ignore();
        return;
    }
    closing_ = true;
    statusTimer_->stop();
    event->accept();
}

namespace {
std::vector<std::string> DroppedFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (mime != nullptr) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile()) {
                files.push_back(PathFromQt(url.toLocalFile()));
            }
        }
    }
    return files;
}

// A drop is taken as a copy, or as a link where the source offers no copy; never as a move,
// which tells a file manager to delete its file.
std::optional<Qt::DropAction> KeepingAction(Qt::DropActions possible) {
    if (possible.testFlag(Qt::CopyAction)) {
        return Qt::CopyAction;
    }
    if (possible.testFlag(Qt::LinkAction)) {
        return Qt::LinkAction;
    }
    return std::nullopt;
}
} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    const std::vector<std::string> files = DroppedFiles(event->mimeData());
    const std::optional<Qt::DropAction> action = KeepingAction(event->possibleActions());
    if (action && std::any_of(files.begin(), files.end(),
                              [this](const std::string& path) { return app_.HasTypeFor(path); })) {
        event->setDropAction(*action);
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const std::optional<Qt::DropAction> action = KeepingAction(event->possibleActions());
    if (action && OpenDroppedFiles(event->mimeData())) {
        event->setDropAction(*action);
        event->accept();
    } else {
        event->ignore();
    }
}

bool CMainFrame::OpenContextMenuByKey(QWidget* target, QKeyEvent* key) {
    // Shift+F10 opens the context menu of the focused control, as the Menu key does: for a
    // list at its current row.
    if (key->isAutoRepeat()) {
        return false;
    }
    QPoint at = target->rect().center();
    if (auto* view = qobject_cast<QAbstractItemView*>(target)) {
        const QRect current = view->visualRect(view->currentIndex());
        target = view->viewport();
        at = current.isValid() ? current.center() : QPoint(4, 4);
    }
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at),
                           key->modifiers());
    QCoreApplication::sendEvent(target, &menu);
    return true;
}

bool CMainFrame::OpenDroppedFiles(const QMimeData* mime) {
    bool opened = false;
    // Each file opens as File > Open would open it.
    for (const std::string& path : DroppedFiles(mime)) {
        opened = app_.OpenFileByExtension(path, false) || opened;
    }
    RefreshStatus();
    return opened;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The first widget a key reaches is the focused one.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier &&
            widget != nullptr && OpenContextMenuByKey(widget, key)) {
            return true;
        }
        // Seen once per key press: at the window, before it reaches a widget.
        if (watched->isWindowType() && !key->isAutoRepeat()) {
            if (key->key() == Qt::Key_Insert) {
                insertMode_ = !insertMode_;
            }
            locks_.KeyPressed(key->key());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
