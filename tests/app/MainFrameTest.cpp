// The main window over scripted libraries: commands, toolbar, status panes and the protocol
// window.

#include "AppFakes.h"
#include "CMainFrame.h"
#include "CStdChildFrame.h"
#include "CorvelApp.h"
#include "EditorBench.h"
#include "WkAutoAnswerControl.h"
#include "WkCommandTable.h"
#include "WkDocTemplate.h"
#include "WkDocumentView.h"
#include "WkLogChildFrame.h"
#include "WkLogDoc.h"
#include "WkLogTableModel.h"
#include "WkLogView.h"
#include "WkQtPrompts.h"
#include "WkQtText.h"
#include "WkRtfText.h"
#include "WkSignalExit.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <fstream>
#include <set>
#include <thread>

namespace {

struct SwitchAutoAnswer : WkAutoAnswerControl {
    bool on = false;
    bool Create() override { return true; }
    bool Show() override {
        on = true;
        return true;
    }
    void Stop() override { on = false; }
    bool IsOn() const override { return on; }
    void Destroy() override {}
};

// One running workbench over fakes.
struct Bench {
    FakeLibraries libs;
    AppPrompts prompts;
    SwitchAutoAnswer autoAnswer;
    std::unique_ptr<CorvelApp> app;
    std::unique_ptr<CMainFrame> frame;

    // An editor as the editors plug in: a "Prot" template of text documents and its view.
    struct NoteView : QPlainTextEdit, WkDocumentView {
        WkViewCommandSet AvailableCommands() const override { return {WkViewCommand::Copy}; }
        void RunCommand(WkViewCommand) override { ++commandsRun; }
        int commandsRun = 0;
    };

    Bench() {
        CorvelDocumentHooks hooks;
        hooks.registerTemplates = [](CorvelApp&, WkTemplateList& list) {
            list.Register(std::make_unique<WkDocTemplate>(
                CorvelTemplates::kProtId, CorvelTemplates::kProt,
                []() -> std::shared_ptr<WkDocument> { return std::make_shared<TextDoc>(); }));
        };
        app = std::make_unique<CorvelApp>(CorvelParts{
            .libraries = libs, .prompts = prompts, .autoAnswer = autoAnswer, .hooks = hooks});
        bool started = app->InitInstance(
            [this]() -> WkFrameHost* {
                frame = std::make_unique<CMainFrame>(*app);
                frame->RegisterView(WkDocKind::Protocol, [](const std::shared_ptr<WkDocument>&) {
                    return new NoteView;
                });
                frame->resize(900, 600);
                return frame.get();
            },
            {});
        if (!started) {
            qFatal("start-up failed");
        }
        // The offscreen platform does not maximise; give the window a size of its own.
        frame->showNormal();
        frame->resize(900, 600);
        QCoreApplication::processEvents();
        frame->ArrangeProtocolWindow();
    }
    ~Bench() {
        frame->close();
        frame.reset();
        app.reset();
    }
    WkLogView* View() { return frame->ProtocolFrame()->View(); }
};

int CommandOf(QAction* action) {
    return action->isSeparator() ? 0 : action->data().toInt();
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void menusCarryCommandIdsTextsAndPrompts() {
        Bench bench;
        CMainFrame& frame = *bench.frame;
        QCOMPARE(frame.windowTitle(), QString("Corvel -  - RFID by Tarvo"));
        QCOMPARE(frame.Action(CommandId::kNewLog)->text(), QString("&Logfile (*.log)"));
        QCOMPARE(frame.Action(CommandId::kNewLog)->statusTip(), QString("New Log-File."));
        QCOMPARE(frame.Action(CommandId::kComPort)->statusTip(),
                 QString("Open a COM-Port and set the COM-Parameters. "));
        QCOMPARE(frame.Action(CommandId::kShowAutoAnswer)->statusTip(),
                 QString("Protocol Window accept Protocols of Auto Answer Mode"));
        QCOMPARE(frame.Action(CommandId::kShowAutoAnswer)->toolTip(), QString("Show AA-Protocols"));
        QCOMPARE(frame.Action(CommandId::kFileOpen)->text(), QString("&Open..."));
        QCOMPARE(frame.Action(CommandId::kFileSave)->text(), QString("&Save "));
        // Standard key sequences: Ctrl+O asks for a file to open.
        bench.prompts.openAnswers = {""};
        QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(bench.prompts.openAnswers.empty());
        QVERIFY(frame.Action(CommandId::kNewMacro)->isEnabled()); // the macro type is registered

        // The new-document pop-up: five entries and a separator, at (25, 75).
        std::vector<int> popup;
        for (QAction* action : frame.NewDocumentMenu()->actions()) {
            popup.push_back(CommandOf(action));
        }
        QCOMPARE(popup, (std::vector<int>{32776, 32775, 32774, 32871, 0, 32777}));
        QCOMPARE(frame.NewDocumentMenuPosition(), frame.mapToGlobal(QPoint(25, 75)));

        // The toolbar in order, separators as 0.
        std::vector<int> toolbar;
        for (QAction* action : frame.findChild<QToolBar*>("MainToolBar")->actions()) {
            toolbar.push_back(CommandOf(action));
        }
        QCOMPARE(toolbar, (std::vector<int>{32858, 0, 57601, 57603, 0, 57635, 57634, 57637, 0,
                                            57607, 0, 32830, 32831, 0, 32771}));
        // Every button has the program's own icon, whatever the desktop theme.
        for (QAction* action : frame.findChild<QToolBar*>("MainToolBar")->actions()) {
            QVERIFY(action->isSeparator() || !action->icon().pixmap(16, 16).isNull());
        }

        // Highlighting a command shows its prompt in pane 0.
        frame.NewDocumentMenu()->popup(frame.NewDocumentMenuPosition());
        frame.NewDocumentMenu()->setActiveAction(frame.Action(CommandId::kNewLog));
        QCOMPARE(frame.statusBar()->currentMessage(), QString("New Log-File."));
    }

    void autoAnswerPaneFollowsShowAndStop() {
        Bench bench;
        CMainFrame& frame = *bench.frame;
        QCOMPARE(frame.Pane(1)->text(), QString());
        QVERIFY(frame.Action(CommandId::kShowAutoAnswer)->isEnabled());
        QVERIFY(!frame.Action(CommandId::kStopAutoAnswer)->isEnabled());
        frame.Action(CommandId::kShowAutoAnswer)->trigger();
        QCOMPARE(frame.Pane(1)->text(), QString("Auto Answer on"));
        QVERIFY(!frame.Action(CommandId::kShowAutoAnswer)->isEnabled());
        QVERIFY(frame.Action(CommandId::kStopAutoAnswer)->isEnabled());
        frame.Action(CommandId::kStopAutoAnswer)->trigger();
        QCOMPARE(frame.Pane(1)->text(), QString());
        // The lock panes follow their keys (the offscreen platform has no lights to ask).
        QTest::keyClick(frame.windowHandle(), Qt::Key_NumLock);
        frame.RefreshStatus();
        QCOMPARE(frame.Pane(4)->text(), QString("NUM"));
        QCOMPARE(frame.Pane(2)->text(), QString());
        QTest::keyClick(frame.windowHandle(), Qt::Key_ScrollLock);
        frame.RefreshStatus();
        QCOMPARE(frame.Pane(2)->text(), QString("S"));
    }

    void protocolWindowSitsInTheLowerThird() {
        Bench bench;
        WkLogChildFrame* log = bench.frame->ProtocolFrame();
        QVERIFY(log != nullptr);
        QCOMPARE(log->windowTitle(), QString("ProtocolWindow - Log1[*]"));
        const QSize client = bench.frame->MdiArea()->viewport()->size();
        QCOMPARE(log->geometry(), QRect(0, client.height() * 2 / 3, client.width(),
                                        client.height() - client.height() * 2 / 3));
        log->showMaximized();
        bench.frame->Action(CommandId::kArrangeProtocolWindow)->trigger();
        QVERIFY(!log->isMaximized());
        QCOMPARE(log->y(), client.height() * 2 / 3);
        if (!qEnvironmentVariableIsEmpty("CORVEL_UI_SHOTS")) {
            bench.app->AppendToProtocolWindow("12/07/26 13:00:00.000  >>  04 00 65 61 ");
            QTest::qWait(50);
            bench.frame->grab().save(qEnvironmentVariable("CORVEL_UI_SHOTS") + "/main.png");
        }
    }

    void newLogReplacesTheWindowAndMissingTypesReport() {
        Bench bench;
        bench.app->AppendToProtocolWindow("old line");
        bench.prompts.yesNoCancelAnswers = {Prompts::Answer::No}; // the line may go
        bench.frame->RunCommand(CommandId::kNewLog);
        QTRY_COMPARE(bench.frame->MdiArea()->subWindowList().size(), 1);
        QCOMPARE(bench.frame->ProtocolFrame()->windowTitle(), QString("ProtocolWindow - Log2[*]"));
        QCOMPARE(bench.View()->toPlainText(), QString());
        QCOMPARE(bench.prompts.messages, std::vector<std::string>{"Save changes to Log1?"});
        bench.frame->RunCommand(CommandId::kNewReader);
        QCOMPARE(bench.prompts.messages.back(), std::string("No Template with Read found !"));
        bench.frame->RunCommand(CommandId::kNothing);
        QCOMPARE(bench.prompts.messages.size(), std::size_t{2});
    }

    void linesFromThreadsAppearOnceAndWhole() {
        Bench bench;
        constexpr int kThreads = 3;
        // CORVEL_UI_LINES asks for a longer run.
        const int lines = qEnvironmentVariableIntValue("CORVEL_UI_LINES") > 0
                              ? qEnvironmentVariableIntValue("CORVEL_UI_LINES")
                              : 20000;
        std::atomic<int> finished{0};
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; i < lines; ++i) {
                    bench.app->AppendToProtocolWindow("T" + std::to_string(t) + " " +
                                                      std::to_string(i) + " 05 00 65 00 60 ");
                }
                ++finished;
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.load(), kThreads, 240000);
        for (auto& w : writers) {
            w.join();
        }
        // The last batch goes in within a few milliseconds.
        QTRY_COMPARE(bench.View()->Model()->rowCount(), kThreads * lines);
        const QStringList text = bench.View()->toPlainText().split('\n');
        QCOMPARE(text.size(), kThreads * lines + 1);
        QCOMPARE(text.back(), QString());
        std::vector<int> next(kThreads, 0);
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            const QStringList parts = text[i].split(' ');
            QCOMPARE(parts.size(), 8);
            const int t = parts[0].mid(1).toInt();
            QCOMPARE(parts[1].toInt(), next[t]);
            QCOMPARE(text[i].mid(text[i].indexOf(' ', 3)), QString(" 05 00 65 00 60 "));
            ++next[t];
        }
    }

    void closingWaitsForTheHandOverAndDropsLateLines() {
        Bench bench;
        bench.libs.isLockedAnswer = 0; // a reader is handing a line over
        WkLogChildFrame* log = bench.frame->ProtocolFrame();
        QVERIFY(!log->close());
        QVERIFY(bench.frame->ProtocolFrame() != nullptr);
        QVERIFY(!bench.app->AppendToProtocolWindow("while closing"));
        bench.libs.isLockedAnswer = 1;
        QTRY_VERIFY(bench.frame->ProtocolFrame() == nullptr);
        QVERIFY(bench.app->ProtocolWindowDocument() == nullptr);
        QVERIFY(!bench.app->AppendToProtocolWindow("closed"));
        QVERIFY(bench.prompts.messages.empty());
        QVERIFY(!bench.frame->Action(CommandId::kFileSave)->isEnabled());
    }

    void closingWithLinesInNoFileAsksAndCancelKeepsTheWindow() {
        QTemporaryDir dir;
        Bench bench;
        WkLogChildFrame* log = bench.frame->ProtocolFrame();
        QVERIFY(bench.app->AppendToProtocolWindow("12/07/26 13:00:00.000  >>  04 00 65 61 "));
        bench.prompts.yesNoCancelAnswers = {Prompts::Answer::Cancel};
        QVERIFY(!log->close());
        QCOMPARE(bench.prompts.messages, std::vector<std::string>{"Save changes to Log1?"});
        QCOMPARE(bench.frame->ProtocolFrame(), log);
        QCOMPARE(log->windowTitle(), QString("ProtocolWindow - Log1[*]"));
        QCOMPARE(bench.View()->Lines().size(), std::size_t{1});

        // Saved lines, and lines that go into a file as they come, are in a file.
        bench.prompts.saveAnswers = {PathFromQt(dir.filePath("kept.log"))};
        bench.frame->RunCommand(CommandId::kFileSave);
        QVERIFY(log->Document()->StartLogToFile(PathFromQt(dir.filePath("live.log"))));
        QVERIFY(bench.app->AppendToProtocolWindow("12/07/26 13:00:01.000  >>  04 00 65 61 "));
        QVERIFY(log->close());
        QTRY_VERIFY(bench.frame->ProtocolFrame() == nullptr);
        QCOMPARE(bench.prompts.messages.size(), std::size_t{1});
    }

    void saveAndReopenGiveTheSameLines() {
        QTemporaryDir dir;
        Bench bench;
        const std::vector<std::string> lines = {"12/07/26 13:00:00.000  >>  04 00 65 61 ", "",
                                                "12/07/26 13:00:00.020  <<  05 00 65 00 60 "};
        for (const auto& line : lines) {
            QVERIFY(bench.app->AppendToProtocolWindow(line));
        }
        const std::string path = (dir.path() + "/run.log").toStdString();
        bench.prompts.saveAnswers = {path};
        bench.frame->RunCommand(CommandId::kFileSave);
        QCOMPARE(bench.prompts.saveProposals, (std::vector<std::string>{"Log1"}));
        QCOMPARE(bench.frame->ProtocolFrame()->windowTitle(),
                 QString("ProtocolWindow - run.log[*]"));
        QVERIFY(bench.app->OpenFileByExtension(path, false));
        QTRY_COMPARE(bench.frame->MdiArea()->subWindowList().size(), 1);
        QCOMPARE(bench.View()->Lines(), lines);
        QCOMPARE(bench.View()->toPlainText(),
                 QString::fromStdString(lines[0] + "\n\n" + lines[2] + "\n"));
    }

    // No timer catches up later: a selection or a window switch enables the commands at once.
    void commandsFollowTheSelectionAndTheActiveWindowAtOnce() {
        Bench bench;
        CMainFrame& frame = *bench.frame;
        QAction* copy = frame.Action(CommandId::kEditCopy);
        QAction* print = frame.Action(CommandId::kPrint);
        QVERIFY(bench.app->AppendToProtocolWindow("12/07/26 13:00:00.000  >>  04 00 65 61 "));
        QTRY_COMPARE(bench.View()->Table()->model()->rowCount(), 1);
        frame.MdiArea()->setActiveSubWindow(frame.ProtocolFrame());
        QVERIFY(print->isEnabled());
        QVERIFY(!copy->isEnabled());
        bench.View()->Table()->selectRow(0);
        QVERIFY(copy->isEnabled());
        bench.View()->Table()->clearSelection();
        QVERIFY(!copy->isEnabled());

        bench.app->OnFileNewProtocol(); // its view can copy, not print
        QVERIFY(copy->isEnabled());
        QVERIFY(!print->isEnabled());
        frame.MdiArea()->setActiveSubWindow(frame.ProtocolFrame());
        QVERIFY(!copy->isEnabled());
        QVERIFY(print->isEnabled());
    }

    void editorWindowClosesThroughTheSaveQuestionAndDrivesTheCommands() {
        Bench bench;
        bench.app->OnFileNewProtocol();
        auto* editor = qobject_cast<CStdChildFrame*>(bench.frame->MdiArea()->activeSubWindow());
        QVERIFY(editor != nullptr && editor->Document()->Title() == "Prot1");
        QVERIFY(!editor->isWindowModified());
        editor->Document()->SetModified(true);
        QVERIFY(editor->isWindowModified());
        QCOMPARE(editor->windowTitle(), QString("Prot1[*]"));

        // What the view lacks is disabled, never hidden.
        bench.frame->RefreshStatus();
        for (int id :
             {CommandId::kPrint, CommandId::kFont, CommandId::kEditPaste, CommandId::kEditInsert}) {
            QVERIFY(!bench.frame->Action(id)->isEnabled());
            QVERIFY(bench.frame->Action(id)->isVisible());
        }
        QVERIFY(bench.frame->Action(CommandId::kFileSave)->isEnabled());
        QVERIFY(bench.frame->Action(CommandId::kEditCopy)->isEnabled());
        bench.frame->RunCommand(CommandId::kEditCopy);
        QCOMPARE(static_cast<Bench::NoteView*>(editor->View())->commandsRun, 1);

        // Cancel keeps the window and the document; No closes both.
        QPointer<CStdChildFrame> watched(editor);
        bench.prompts.yesNoCancelAnswers = {Prompts::Answer::Cancel, Prompts::Answer::No};
        editor->close();
        QVERIFY(watched && watched->isVisible());
        QCOMPARE(bench.app->FindTemplate(WkDocKind::Protocol)->DocumentCount(), std::size_t{1});
        editor->close();
        QTRY_VERIFY(watched.isNull());
        QCOMPARE(bench.app->FindTemplate(WkDocKind::Protocol)->DocumentCount(), std::size_t{0});
        QCOMPARE(bench.prompts.messages.back(), std::string("Save changes to Prot1?"));
    }

    void aDropIsACopyOfFilesThatOpenAndNeverAMove() {
        Bench bench;
        QTemporaryDir dir;
        for (const char* name : {"dropped.log", "moved.log"}) {
            std::ofstream(PathFromQt(dir.filePath(name)), std::ios::binary)
                << WriteRtfLines({"dropped line"}, WkLogFont{});
        }
        std::ofstream(PathFromQt(dir.filePath("notes.txt"))) << "notes";
        struct Outcome {
            bool entered;
            bool dropped;
            Qt::DropAction action;
        };
        // A file manager offers `actions` and proposes a move.
        const auto drop = [&](const char* name, Qt::DropActions actions) {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(dir.filePath(name))});
            QDragEnterEvent enter(QPoint(50, 50), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            enter.setDropAction(Qt::MoveAction);
            QCoreApplication::sendEvent(bench.frame.get(), &enter);
            QDropEvent event(QPointF(50, 50), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            event.setDropAction(Qt::MoveAction);
            QCoreApplication::sendEvent(bench.frame.get(), &event);
            return Outcome{enter.isAccepted(), event.isAccepted(), event.dropAction()};
        };
        Outcome copied = drop("dropped.log", Qt::CopyAction | Qt::MoveAction);
        QVERIFY(copied.entered && copied.dropped);
        QCOMPARE(copied.action, Qt::CopyAction);
        QCOMPARE(bench.app->ProtocolWindowDocument()->PlainTitle(), std::string("dropped.log"));
        QTRY_COMPARE(bench.View()->toPlainText(), QString("dropped line\n"));
        // A source that offers only a move is refused, and nothing is opened.
        Outcome moved = drop("moved.log", Qt::MoveAction);
        QVERIFY(!moved.entered && !moved.dropped);
        QCOMPARE(bench.app->ProtocolWindowDocument()->PlainTitle(), std::string("dropped.log"));
        // A file of no known type is refused.
        Outcome notes = drop("notes.txt", Qt::CopyAction | Qt::MoveAction);
        QVERIFY(!notes.entered && !notes.dropped);
    }

    void signalClosesAMessageBoxAndNothingWaitsAfterIt() {
        Bench bench;
        WkQtPrompts prompts;
        QVERIFY(WkSignalExit::InstallHandlers());
        bool ended = false;
        WkSignalExit signalExit([&] {
            prompts.SetSilent();
            WkSignalExit::CloseModalWindows();
            ended = true;
        });
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        prompts.ShowMessage("shown until the signal"); // returns only when the box is closed
        QVERIFY(ended);
        prompts.ShowMessage("never shown");
        QVERIFY(!prompts.AskYesNo("never asked"));
        bench.app->ExitWithoutQuestions();
        QVERIFY(bench.libs.callback == nullptr);
    }

    // Editors larger than their share of the workspace scroll inside their windows instead of
    // pushing the windows out of it.
    void tileHorizontallyStacksEveryWindowInsideTheWorkspace() {
        FakeLibraries libraries;
        AppPrompts prompts;
        EditorBench bench(libraries, prompts);
        bench.frame->resize(1000, 700);
        QMdiArea* area = bench.frame->MdiArea();
        for (int count : {2, 5}) {
            while (area->subWindowList().size() < count) { // the protocol window is the first
                bench.app.OnFileNewTransponder();
            }
            bench.frame->RunCommand(CommandId::kWindowTileHorizontal);
            const QRect workspace = area->viewport()->rect();
            int top = 0;
            for (QMdiSubWindow* window : area->subWindowList(QMdiArea::CreationOrder)) {
                QVERIFY(workspace.contains(window->geometry()));
                QCOMPARE(window->x(), 0);
                QCOMPARE(window->width(), workspace.width());
                QCOMPARE(window->y(), top);
                top = window->geometry().bottom() + 1;
                // Its controls keep their room: the view scrolls, nothing is squeezed.
                const QWidget* view = qobject_cast<CStdChildFrame*>(window)->View();
                QVERIFY(view->height() >= view->minimumSizeHint().height());
            }
            QCOMPARE(top, workspace.height());
        }
    }

    // A new reader editor, whose tabs need more than the usual 620 pixels, opens wide enough
    // to show all of them, inside the workspace.
    void aNewWindowShowsEveryControlInsideTheWorkspace() {
        FakeLibraries libraries;
        AppPrompts prompts;
        EditorBench bench(libraries, prompts);
        bench.frame->resize(1280, 760);
        bench.frame->ArrangeProtocolWindow();
        bench.app.OnFileNewReader();
        const QRect workspace = bench.frame->MdiArea()->viewport()->rect();
        for (auto* window : bench.frame->findChildren<CStdChildFrame*>()) {
            QVERIFY2(workspace.contains(window->geometry()), qPrintable(window->windowTitle()));
            const QWidget* view = window->View();
            QVERIFY2(view->width() >= view->minimumSizeHint().width(),
                     qPrintable(window->windowTitle()));
            QVERIFY(window->width() >= 620);
        }
    }

    void exitCancelledAtAnotherWindowKeepsTheProtocolWindowsTitle() {
        Bench bench;
        bench.app->OnFileNewProtocol();
        bench.app->FindTemplate(WkDocKind::Protocol)->FirstDocument()->SetModified(true);
        bench.prompts.yesNoCancelAnswers = {Prompts::Answer::Cancel};
        bench.frame->RunCommand(CommandId::kExit);
        QVERIFY(bench.frame->isVisible());
        QCOMPARE(bench.frame->ProtocolFrame()->windowTitle(), QString("ProtocolWindow - Log1[*]"));
        bench.app->FindTemplate(WkDocKind::Protocol)->FirstDocument()->SetModified(false);
    }

    void exitEndsThroughTheShutdownSteps() {
        Bench bench;
        QVERIFY(bench.libs.callback != nullptr);
        bench.frame->RunCommand(CommandId::kExit);
        QVERIFY(!bench.frame->isVisible());
        QVERIFY(bench.libs.callback == nullptr);
        QVERIFY(bench.app->ProtocolWindowDocument() == nullptr);
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
