#pragma once
// What every document window's view offers the main frame: the commands it can run now and
// running them, and printing. Save, Save As and File Info are the document's and need
// nothing here. A view widget implements this next to its QWidget base; the main frame
// finds it in the active window's frame.
//
// An editor registers its view for its template with one line (WkEditors.cpp):
//     frame.RegisterView(WkDocKind::Protocol, [&app](const std::shared_ptr<WkDocument>& document) {
//         return new WkProtEditView(app, document);
//     });
// The generic frame (CStdChildFrame) puts the widget in a document window, titles it from
// the document with the modified marker, and closes it through the application's save
// question.

#include "WkViewCommand.h"

#include <functional>

class QPrinter;

class WkDocumentView {
public:
    virtual ~WkDocumentView() = default;

    /// The commands the view can run at the moment: Print, Font and the Edit commands
    /// (Undo, Cut, Copy, Paste, Insert, Delete). The others are disabled, never hidden.
    virtual WkViewCommandSet AvailableCommands() const = 0;
    /// Runs Font or an Edit command; called only for commands AvailableCommands holds.
    virtual void RunCommand(WkViewCommand command) = 0;
    /// Prints the view's content on `printer` (Print, Print Direct and the preview).
    virtual void PrintOn(QPrinter& printer) { (void)printer; }
    /// Told whenever what AvailableCommands answers may have changed (the window's frame
    /// passes it on to the main frame's menus).
    void SetCommandsChangedNotice(std::function<void()> notice) { notice_ = std::move(notice); }

protected:
    /// The view's selection or clipboard changed: the menus ask AvailableCommands again.
    void CommandsChanged() const {
        if (notice_) {
            notice_();
        }
    }
    WkDocumentView() = default;
    WkDocumentView(const WkDocumentView&) = default;
    WkDocumentView& operator=(const WkDocumentView&) = default;

private:
    std::function<void()> notice_;
};
