#include "CStdChildFrame.h"

#include "CorvelApp.h"
#include "WkDocument.h"
#include "WkDocumentView.h"
#include "WkQtText.h"
#include "WkWindowCommands.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMdiArea>
#include <QScrollArea>

CStdChildFrame::CStdChildFrame(CorvelApp& app, std::shared_ptr<WkDocument> document, QWidget* view,
                               QWidget* parent)
    : QMdiSubWindow(parent), app_(app), document_(std::move(document)), viewWidget_(view),
      view_(dynamic_cast<WkDocumentView*>(view)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Caption, system menu, minimise and maximise boxes.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // A window smaller than its view (tiled among many) scrolls instead of squeezing the
    // controls over each other.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumSize(1, 1);
    scroll->setFocusPolicy(Qt::NoFocus); // the keys go to the view's controls
    scroll->setWidget(view);
    setWidget(scroll);
    // First among the document's views, so that the document's frame operations reach here.
    const std::vector<WkViewObserver*> views = document_->GetViews();
    for (WkViewObserver* other : views) {
        document_->RemoveView(other);
    }
    document_->AddView(this);
    for (WkViewObserver* other : views) {
        document_->AddView(other);
    }
    if (view_ != nullptr) {
        view_->SetCommandsChangedNotice([this] { emit CommandsChanged(); });
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
    FitIntoWorkspace();
    if (repaint) {
        update();
    }
}

QSize CStdChildFrame::SmallestFullSize() {
    // The frame around the view: title bar and borders.
    layout()->activate();
    const QSize decoration = size() - widget()->size();
    return viewWidget_->minimumSizeHint().expandedTo(viewWidget_->minimumSize()) + decoration;
}

void CStdChildFrame::FitIntoWorkspace() {
    QMdiArea* area = mdiArea();
    if (area == nullptr || isMinimized() || isMaximized()) {
        return;
    }
    const QSize content = SmallestFullSize();
    const QRect now = geometry();
    const WkRect fitted =
        FitWindowRect({now.left(), now.top(), now.left() + now.width(), now.top() + now.height()},
                      {content.width(), content.height()},
                      {area->viewport()->width(), area->viewport()->height()});
    setGeometry(fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top);
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
