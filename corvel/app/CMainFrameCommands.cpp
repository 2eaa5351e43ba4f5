// The main frame's command handlers: one entry per command that the main frame runs itself.
// Text, keys, picture, prompt, menu place and enabling rule of each command are its row in
// the command table (WkCommandTable.cpp); Font and the Edit commands need no entry here, the
// active view runs them.

#include "CAboutDlg.h"
#include "CFileInfoDlg.h"
#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkCommandTable.h"
#include "WkDocument.h"
#include "WkDocumentView.h"
#include "WkPrompts.h"
#include "WkQtText.h"
#include "WkWindowCommands.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

const std::map<int, CMainFrame::Handler>& CMainFrame::CommandHandlers() {
    using namespace CommandId;
    using F = CMainFrame;
    static const std::map<int, Handler> handlers = {
        {kNewLog, [](F& f) { f.app_.OnFileNewLog(); }},
        {kNewProtocol, [](F& f) { f.app_.OnFileNewProtocol(); }},
        {kNewReader, [](F& f) { f.app_.OnFileNewReader(); }},
        {kNewTransponder, [](F& f) { f.app_.OnFileNewTransponder(); }},
        {kNewMacro, [](F& f) { f.app_.OnFileNewMacro(); }},
        {kNewPopup, [](F& f) { f.newMenu_->popup(f.NewDocumentMenuPosition()); }},
        {kFileOpen, [](F& f) { f.app_.OnFileOpen(); }},
        {kFileClose,
         [](F& f) {
             if (QMdiSubWindow* active = f.mdiArea_->activeSubWindow()) {
                 active->close();
             }
         }},
        {kFileSave, [](F& f) { f.SaveActive(false); }},
        {kFileSaveAs, [](F& f) { f.SaveActive(true); }},
        {kFileInfo, [](F& f) { f.ShowFileInfo(); }},
        {kPrintSetup, [](F& f) { f.SetUpPrinter(); }},
        {kPrint, [](F& f) { f.Print(kPrint); }},
        {kPrintDirect, [](F& f) { f.Print(kPrintDirect); }},
        {kPrintPreview, [](F& f) { f.Print(kPrintPreview); }},
        {kExit, [](F& f) { f.close(); }},
        {kViewToolbar,
         [](F& f) {
             if (auto* bar = f.findChild<QToolBar*>("MainToolBar")) {
                 bar->setVisible(!bar->isVisible());
             }
         }},
        {kViewStatusBar,
         [](F& f) {
             f.statusBar()->setVisible(!f.statusBar()->isVisible());
             f.actions_[kViewStatusBar]->setChecked(f.statusBar()->isVisible());
         }},
        {kComPort,
         [](F& f) {
             if (f.comPortCommand_) {
                 f.comPortCommand_();
             }
         }},
        {kShowAutoAnswer, [](F& f) { f.app_.OnShowAutoAnswer(); }},
        {kStopAutoAnswer, [](F& f) { f.app_.OnStopAutoAnswer(); }},
        {kWindowCascade, [](F& f) { f.windows_.Cascade(); }},
        {kWindowTileHorizontal, [](F& f) { f.windows_.Tile(true); }},
        {kWindowTileVertical, [](F& f) { f.windows_.Tile(false); }},
        {kWindowMore, [](F& f) { f.windows_.Choose(); }},
        {kWindowArrange, [](F& f) { f.windows_.ArrangeIcons(); }},
        {kArrangeProtocolWindow, [](F& f) { f.ArrangeProtocolWindow(); }},
        {kAbout,
         [](F& f) {
             CAboutDlg about(f.app_, &f);
             about.exec();
         }},
    };
    return handlers;
}

QPrinter& CMainFrame::Printer() {
    // The printer chosen in "Printer Setup..." serves every print.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>();
    }
    return *printer_;
}

void CMainFrame::SetUpPrinter() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

void CMainFrame::Print(int id) {
    WkDocumentView* view = ActiveView();
    if (view == nullptr || !view->AvailableCommands().Has(WkViewCommand::Print)) {
        return;
    }
    QPrinter& printer = Printer();
    if (id == CommandId::kPrintPreview) {
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [view](QPrinter* target) { view->PrintOn(*target); });
        preview.exec();
        return;
    }
    if (id == CommandId::kPrint) {
        // The dialog asks itself before it replaces a file.
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
    } else if (printer.outputFormat() == QPrinter::PdfFormat &&
               !MayReplaceFile(PathFromQt(printer.outputFileName()), app_.UserPrompts())) {
        return;
    }
    view->PrintOn(printer);
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
