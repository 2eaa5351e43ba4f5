#include "WkFirstSession.h"

#include "CMainFrame.h"
#include "CReaderEditSheet.h"
#include "CStdChildFrame.h"
#include "CorvelApp.h"
#include "WkLogChildFrame.h"
#include "WkReaderEditView.h"
#include "WkTransponderEditView.h"

#include <QMdiArea>
#include <QPushButton>

namespace {

// The page the first screen shows: the reader's bus address, baud rate and power saving.
constexpr const char* kFirstPage = "Reader Settings";

CStdChildFrame* WindowOf(QWidget* view) {
    for (QWidget* parent = view; parent != nullptr; parent = parent->parentWidget()) {
        if (auto* window = qobject_cast<CStdChildFrame*>(parent)) {
            return window;
        }
    }
    return nullptr;
}

// The reader editor across the top, the transponder editor and the protocol window side by
// side below it: every window of the session in view.
void Arrange(CMainFrame& frame, CStdChildFrame* reader, CStdChildFrame* transponder) {
    if (reader == nullptr || transponder == nullptr) {
        return;
    }
    const QSize workspace = frame.MdiArea()->viewport()->size();
    const int top = std::min(reader->SmallestFullSize().height(), workspace.height() / 2);
    const int left = std::min(transponder->SmallestFullSize().width(), workspace.width() / 2);
    const int height = workspace.height() - top;
    reader->setGeometry(0, 0, workspace.width(), top);
    transponder->setGeometry(0, top, left, height);
    if (WkLogChildFrame* log = frame.ProtocolFrame()) {
        log->setGeometry(left, top, workspace.width() - left, height);
    }
}

} // namespace

namespace WkFirstSession {

void Run(CorvelApp& app, CMainFrame& frame) {
    app.OnFileNewReader();
    const QList<WkReaderEditView*> readers = frame.findChildren<WkReaderEditView*>();
    const QList<WkTransponderEditView*> transponders = frame.findChildren<WkTransponderEditView*>();
    if (readers.isEmpty() || transponders.isEmpty()) {
        return;
    }
    WkReaderEditView* reader = readers.back();
    WkTransponderEditView* transponder = transponders.back();
    Arrange(frame, WindowOf(reader), WindowOf(transponder));
    // As the user does it: a page of the configuration, "Read All", then the transponder's
    // "Read". A button that is disabled (no port chosen) does nothing.
    CReaderEditSheet& sheet = reader->Sheet();
    for (int tab = 0; tab < sheet.count(); ++tab) {
        if (sheet.tabText(tab) == kFirstPage) {
            sheet.setCurrentIndex(tab);
        }
    }
    if (auto* readAll = reader->findChild<QPushButton*>("readAll")) {
        readAll->click();
    }
    transponder->ActionButton()->click();
    frame.RefreshStatus();
}

} // namespace WkFirstSession
