#include "WkLogChildFrame.h"

#include "CorvelApp.h"
#include "WkLogDoc.h"
#include "WkLogView.h"
#include "WkQtText.h"

#include <QCloseEvent>
#include <QTimer>

WkLogChildFrame::WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document,
                                 QWidget* parent)
    : QMdiSubWindow(parent), app_(app), document_(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    view_ = new WkLogView(document_, this);
    view_->SetAddToMacro([&app](const std::string& line) { return app.AddLogLineToMacro(line); });
    setWidget(view_);
    UpdateTitle();
}

void WkLogChildFrame::UpdateTitle() {
    setWindowTitle(ToQt(document_->FrameTitle()));
}

void WkLogChildFrame::CloseForDocument() {
    documentClosed_ = true;
    close();
}

void WkLogChildFrame::closeEvent(QCloseEvent* event) {
    if (documentClosed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (app_.TryCloseProtocolWindow(document_)) {
        // The application closed the document, which closed this window.
        documentClosed_ = true;
        QMdiSubWindow::closeEvent(event);
        return;
    }
    // A reader is inside a hand-over; ask again shortly, keeping the event loop running so
    // that the hand-over can finish.
    event->ignore();
    if (!retryPending_) {
        retryPending_ = true;
        QTimer::singleShot(20, this, [this] {
            retryPending_ = false;
            close();
        });
    }
}
