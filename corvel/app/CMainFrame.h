#pragma once
// The workbench's main window: menus, toolbar, status bar and the area the document windows
// live in. Commands are QActions that carry their command id; the menus, the toolbar and the
// enabled states are made from the command table, and each command the frame runs itself has
// one entry in CommandHandlers (CMainFrameCommands.cpp).

#include "WkDocKind.h"
#include "WkFrameHost.h"
#include "WkKeyboardLocks.h"
#include "WkMdiWindows.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class CorvelApp;
class QLabel;
class QMdiArea;
class QKeyEvent;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QPrinter;
class CStdChildFrame;
class WkDocumentView;
class WkLogChildFrame;
class WkLogView;

class CMainFrame : public QMainWindow, public WkFrameHost {
    Q_OBJECT
public:
    explicit CMainFrame(CorvelApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    /// The action of a command id, or null.
    QAction* Action(int id) const;
    QMdiArea* MdiArea() const { return mdiArea_; }
    /// Status bar pane 1 .. 4 (pane 0 is the status bar's message area).
    QLabel* Pane(int index) const;
    QMenu* NewDocumentMenu() const { return newMenu_; }
    /// Where the toolbar's "New" pop-up opens: the window's top-left corner + (25, 75).
    QPoint NewDocumentMenuPosition() const;

    /// An editor's view for a document of its template: a widget that implements
    /// WkDocumentView. The main frame puts it in a generic document window (CStdChildFrame).
    using ViewFactory = std::function<QWidget*(const std::shared_ptr<WkDocument>&)>;
    /// Registers the view of the documents of `kind`; see WkEditors.cpp.
    void RegisterView(WkDocKind kind, ViewFactory factory);
    /// The COM-Port dialog; the command is disabled until one is set.
    void SetComPortCommand(std::function<void()> command);

    /// Restores the protocol window, puts it in the lower third of the client area and
    /// brings it to the front.
    void ArrangeProtocolWindow();

    WkLogChildFrame* ProtocolFrame() const;
    /// Runs command `id` as its menu entry or button would.
    void RunCommand(int id);
    /// Opens the local files of a drop, each as File > Open would; false when none opened.
    bool OpenDroppedFiles(const QMimeData* mime);
    /// Refreshes the status panes and the enabled state of the commands.
    void RefreshStatus();
    /// Whether the port auto-answer reads has lost its device (shown in the auto-answer pane).
    void SetAutoAnswerDeviceAway(bool away);

    // WkFrameHost
    bool CreateFrameFor(const std::shared_ptr<WkDocument>& document) override;
    void DestroyFrameOf(WkDocument& document) override;
    void ActivateFrameOf(WkDocument& document) override;
    void ShowMainWindow() override;
    std::vector<std::string> LoadRecentFiles() override;
    void SaveRecentFiles(const std::vector<std::string>& entries) override;
    void RecentFilesChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Handler = void (*)(CMainFrame&);
    /// What the frame runs for each of its commands, by command id.
    static const std::map<int, Handler>& CommandHandlers();

    void CreateActions();
    void CreateMenus();
    void AddRecentFiles(QMenu& menu);
    void CreateToolBar();
    void CreateStatusBar();
    void RefreshPanes();
    /// Enables each command by its rule for the active window and the program's state.
    void UpdateCommands();
    CStdChildFrame* ActiveFrame() const;
    WkDocumentView* ActiveView() const;
    std::shared_ptr<WkDocument> ActiveDocument() const;
    QPrinter& Printer();
    void SetUpPrinter();
    void Print(int id);
    void SaveActive(bool askName);
    void ShowFileInfo();
    bool OpenContextMenuByKey(QWidget* target, QKeyEvent* key);

    CorvelApp& app_;
    QMdiArea* mdiArea_;
    WkMdiWindows windows_;
    QMenu* newMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::map<int, QAction*> actions_;
    std::vector<QAction*> recentActions_;
    std::map<const WkDocument*, QPointer<QMdiSubWindow>> frames_;
    std::map<WkDocKind, ViewFactory> viewFactories_;
    std::function<void()> comPortCommand_;
    QLabel* panes_[5] = {};
    std::unique_ptr<QPrinter> printer_;
    bool insertMode_ = false;
    WkKeyboardLocks locks_;
    bool autoAnswerDeviceAway_ = false;
    bool closing_ = false;
};
