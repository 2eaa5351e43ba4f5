#include "CMainFrame.h"

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
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <optional>

namespace {

constexpr const char* kRecentSection = "Recent File List";
constexpr int kRecentCapacity = 9;
// The menus of the menu bar and the toolbar: the commands that stand there are the main
// frame's.
constexpr unsigned kFrameMenus = kMenuFile | kMenuFileNew | kMenuEdit | kMenuView | kMenuOptions |
                                 kMenuWindow | kMenuHelp | kMenuToolbar;
// The toolbar's buttons in order; 0 is a separator.
constexpr int kToolBar[] = {CommandId::kNewPopup,
                            0,
                            CommandId::kFileOpen,
                            CommandId::kFileSave,
                            0,
                            CommandId::kEditCut,
                            CommandId::kEditCopy,
                            CommandId::kEditPaste,
                            0,
                            CommandId::kPrint,
                            0,
                            CommandId::kShowAutoAnswer,
                            CommandId::kStopAutoAnswer,
                            0,
                            CommandId::kComPort};

} // namespace

// The icons live in the static UI library; register them before the first action needs one.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

CMainFrame::CMainFrame(CorvelApp& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)),
      windows_(*mdiArea_, app.UserPrompts()) {
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
    // The commands follow the active window; its view tells when its selection changes.
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateCommands);
    // The keyboard's lights may have changed while another program had the keys.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &CMainFrame::RefreshStatus);
    qApp->installEventFilter(this);
    RefreshStatus();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

void CMainFrame::CreateActions() {
    for (const WkCommand& command : CommandTable()) {
        if ((command.menus & kFrameMenus) == 0) {
            continue;
        }
        auto* action = new QAction(ToQt(command.menuText), this);
        if (command.shortcut[0] != '\0') {
            action->setShortcut(QKeySequence(ToQt(command.shortcut)));
        }
        action->setData(command.id);
        action->setStatusTip(ToQt(CommandPrompt(command.id)));
        action->setToolTip(ToQt(CommandToolTip(command.id)));
        if (command.icon != nullptr) {
            // Shipped with the program, so the buttons show on any desktop.
            action->setIcon(QIcon(QString(":/icons/%1.png").arg(command.icon)));
        }
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = action;
    }
    for (int i = 0; i < kRecentCapacity; ++i) {
        auto* action = new QAction(this);
        const int index = i;
        action->setData(CommandId::kRecentFirst + i);
        action->setStatusTip("Open this document.");
        connect(action, &QAction::triggered, this, [this, index] {
            app_.OnOpenRecentFile(static_cast<std::size_t>(index));
            RefreshStatus();
        });
        action->setVisible(false);
        actions_[CommandId::kRecentFirst + i] = action;
        recentActions_.push_back(action);
    }
}

void CMainFrame::CreateMenus() {
    std::map<unsigned, QMenu*> menus;
    for (const WkMenuTitle& title : MenuTitles()) {
        if (title.parent == kMenuNone) {
            menus[title.menu] = menuBar()->addMenu(ToQt(title.text));
        } else if (auto parent = menus.find(title.parent); parent != menus.end()) {
            menus[title.menu] = parent->second->addMenu(ToQt(title.text));
        }
    }
    for (const WkCommand& command : CommandTable()) {
        for (const auto& [flag, menu] : menus) {
            if ((command.menus & flag) == 0 || command.id == CommandId::kWindowMore) {
                continue; // "More Windows..." comes with the list of windows
            }
            if (command.id == CommandId::kExit) {
                AddRecentFiles(*menu);
            }
            if (command.separatorBefore) {
                menu->addSeparator();
            }
            menu->addAction(actions_[command.id]);
        }
    }
    newMenu_ = menus[kMenuFileNew];
    QMenu* window = menus[kMenuWindow];
    window->addSeparator();
    connect(window, &QMenu::aboutToShow, this,
            [this, window] { windows_.List(*window, actions_[CommandId::kWindowMore]); });
}

void CMainFrame::AddRecentFiles(QMenu& menu) {
    recentSeparator_ = menu.addSeparator();
    for (QAction* action : recentActions_) {
        menu.addAction(action);
    }
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("MainToolBar");
    bar->setIconSize(QSize(16, 16));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setMovable(true);
    for (int id : kToolBar) {
        if (id == 0) {
            bar->addSeparator();
        } else {
            bar->addAction(actions_[id]);
        }
    }
    QAction* toggle = actions_[CommandId::kViewToolbar];
    toggle->setCheckable(true);
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
    actions_[CommandId::kViewStatusBar]->setCheckable(true);
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

void CMainFrame::RegisterView(WkDocKind kind, ViewFactory factory) {
    viewFactories_[kind] = std::move(factory);
}

void CMainFrame::SetComPortCommand(std::function<void()> command) {
    comPortCommand_ = std::move(command);
    RefreshStatus();
}

void CMainFrame::RunCommand(int id) {
    const auto& handlers = CommandHandlers();
    if (auto handler = handlers.find(id); handler != handlers.end()) {
        handler->second(*this);
    } else if (const WkCommand* command = FindCommand(id); command && command->viewCommand) {
        // Font and the Edit commands are the active view's.
        if (WkDocumentView* view = ActiveView();
            view != nullptr && view->AvailableCommands().Has(*command->viewCommand)) {
            view->RunCommand(*command->viewCommand);
        }
    }
    RefreshStatus();
}

void CMainFrame::SetAutoAnswerDeviceAway(bool away) {
    autoAnswerDeviceAway_ = away;
    RefreshStatus();
}

void CMainFrame::RefreshStatus() {
    RefreshPanes();
    UpdateCommands();
}

void CMainFrame::RefreshPanes() {
    panes_[1]->setText(ToQt(AutoAnswerPaneText(app_.IsAutoAnswerOn(), autoAnswerDeviceAway_)));
    locks_.Refresh();
    panes_[2]->setText(locks_.ScrollLock() ? "S" : "");
    panes_[3]->setText(insertMode_ ? "INS" : "");
    panes_[4]->setText(locks_.NumLock() ? "NUM" : "");
}

void CMainFrame::UpdateCommands() {
    WkFrameState state;
    const std::shared_ptr<WkDocument> document = ActiveDocument();
    state.document = document.get();
    if (WkDocumentView* view = ActiveView()) {
        state.viewCommands = view->AvailableCommands();
    }
    state.protocolWindowOpen = ProtocolFrame() != nullptr;
    state.autoAnswerOn = app_.IsAutoAnswerOn();
    state.comPortDialog = static_cast<bool>(comPortCommand_);
    for (const auto& [id, action] : actions_) {
        action->setEnabled(IsCommandEnabled(id, state));
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
    const std::optional<WkDocKind> kind = docTemplate ? DocKindOf(*docTemplate) : std::nullopt;
    if (!kind) {
        return false;
    }
    CStdChildFrame* frame = nullptr;
    const bool isLog = *kind == WkDocKind::Log;
    if (isLog) {
        auto log = std::dynamic_pointer_cast<WkLogDoc>(document);
        if (!log) {
            return false;
        }
        frame = new WkLogChildFrame(app_, log);
    } else if (auto view = viewFactories_.find(*kind); view != viewFactories_.end()) {
        QWidget* widget = view->second(document);
        if (widget == nullptr) {
            return false;
        }
        frame = new CStdChildFrame(app_, document, widget);
    } else {
        return false;
    }
    mdiArea_->addSubWindow(frame);
    frames_[document.get()] = frame;
    connect(frame, &CStdChildFrame::CommandsChanged, this, &CMainFrame::UpdateCommands);
    // A closed window leaves the workspace after its close event: look again then.
    connect(frame, &QObject::destroyed, this, &CMainFrame::UpdateCommands, Qt::QueuedConnection);
    frame->show();
    if (isLog) {
        ArrangeProtocolWindow();
    } else {
        frame->FitIntoWorkspace();
    }
    UpdateCommands();
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
    UpdateCommands();
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
            // The panes show the lock keys once the key has reached the keyboard's lights.
            QMetaObject::invokeMethod(this, &CMainFrame::RefreshPanes, Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
