#include "CStdChildFrame.h"

#include "CorvelApp.h"
#include "WkDocument.h"
#include "WkDocumentView.h"
#include "WkQtText.h"

#include <QCloseEvent>
#include <QMdiArea>

CStdChildFrame::CStdChildFrame(CorvelApp& app, std::shared_ptr<WkDocument> document, QWidget* view,
                               QWidget* parent)
    : QMdiSubWindow(parent), app_(app), document_(std::move(document)),
      view_(dynamic_cast<WkDocumentView*>(view)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Caption, system menu and maximise box; no minimise box is added.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWidget(view);
    // First among the document's views, so that the document's frame operations reach here.
    const std::vector<WkViewObserver*> views = document_->GetViews();
    for (WkViewObserver* other : views) {
        document_->RemoveView(other);
    }
    document_->AddView(this);
    for (WkViewObserver* other : views) {
        document_->AddView(other);
    }
    UpdateTitle();
    if (std::optional<WkRect> rect = document_->TakePendingFrameRect()) {
        MoveFrame(*rect, true);
    }
}

CStdChildFrame::~CStdChildFrame() {
    document_->RemoveView(this);
}

void CStdChildFrame::UpdateTitle() {
    setWindowTitle(ToQt(document_->Title()) + "[*]");
    setWindowModified(document_->IsModified());
}

void CStdChildFrame::OnUpdate(WkViewObserver*, int) {}

void CStdChildFrame::OnTitleChanged(const std::string&) {
    UpdateTitle();
}

void CStdChildFrame::OnModifiedChanged(bool modified) {
    setWindowModified(modified);
}

void CStdChildFrame::ActivateFrame() {
    if (isMinimized()) {
        showNormal();
    }
    if (QMdiArea* area = mdiArea()) {
        area->setActiveSubWindow(this);
    }
    raise();
}

void CStdChildFrame::MoveFrame(const WkRect& rect, bool repaint) {
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (repaint) {
        update();
    }
}

void CStdChildFrame::SetFrameShowState(WkShowState state) {
    switch (state) {
    case WkShowState::Minimized:
        showMinimized();
        break;
    case WkShowState::Normal:
        showNormal();
        break;
    case WkShowState::Maximized:
        showMaximized();
        break;
    }
}

void CStdChildFrame::CloseForDocument() {
    documentClosed_ = true;
    close();
}

bool CStdChildFrame::RequestClose() {
    return app_.RequestCloseDocument(document_);
}

void CStdChildFrame::closeEvent(QCloseEvent* event) {
    if (documentClosed_ || RequestClose()) {
        // RequestClose closed the document, which may already have closed this window.
        documentClosed_ = true;
        QMdiSubWindow::closeEvent(event);
        return;
    }
    event->ignore();
}
