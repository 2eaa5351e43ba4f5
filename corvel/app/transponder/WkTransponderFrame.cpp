#include "WkTransponderFrame.h"

#include "CorvelApp.h"
#include "WkQtText.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditView.h"

#include <QCloseEvent>

WkTransponderFrame::WkTransponderFrame(CorvelApp& app,
                                       std::shared_ptr<WkTransponderEditDoc> document,
                                       QWidget* parent)
    : QMdiSubWindow(parent), app_(app), document_(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    view_ = new WkTransponderEditView(document_, this);
    setWidget(view_);
    setWindowTitle(ToQt(document_->GetTitle()) + QStringLiteral("[*]"));
    setWindowModified(document_->IsModified());
    const WkRect& rect = WkTransponderEditDoc::kFrameRect;
    setGeometry(QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)));
    connect(view_, &WkTransponderEditView::TitleChanged, this,
            [this](const QString& title) { setWindowTitle(title + QStringLiteral("[*]")); });
    connect(view_, &WkTransponderEditView::ModifiedChanged, this,
            &WkTransponderFrame::setWindowModified);
    connect(view_, &WkTransponderEditView::MoveRequested, this,
            [this](const QRect& rect) { setGeometry(rect); });
}

std::function<QMdiSubWindow*(const std::shared_ptr<WkDocument>&)>
WkTransponderFrame::Factory(CorvelApp& app) {
    return [&app](const std::shared_ptr<WkDocument>& document) -> QMdiSubWindow* {
        auto transponder = std::dynamic_pointer_cast<WkTransponderEditDoc>(document);
        return transponder ? new WkTransponderFrame(app, transponder) : nullptr;
    };
}

void WkTransponderFrame::closeEvent(QCloseEvent* event) {
    // The application asks the save question and closes the document, which closes this
    // window again; that second close only goes through.
    if (!closing_) {
        closing_ = true;
        app_.CloseDocument(document_);
    }
    QMdiSubWindow::closeEvent(event);
}
