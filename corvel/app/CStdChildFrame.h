#pragma once
// The document window of every document type: a view widget in an MDI child frame. The title
// follows the document with the toolkit's modified marker; closing goes through the
// application (the may-close step, then the save question with Yes, No and Cancel, where
// Cancel keeps the window). The frame observes its document to be moved, raised and shown
// as the document asks.

#include "WkViewObserver.h"

#include <QMdiSubWindow>
#include <memory>

class CorvelApp;
class WkDocument;
class WkDocumentView;

class CStdChildFrame : public QMdiSubWindow, public WkViewObserver {
    Q_OBJECT
public:
    /// Takes `view` (a widget that usually implements WkDocumentView) as its widget.
    CStdChildFrame(CorvelApp& app, std::shared_ptr<WkDocument> document, QWidget* view,
                   QWidget* parent = nullptr);
    ~CStdChildFrame() override;

    const std::shared_ptr<WkDocument>& Document() const { return document_; }
    /// The view's commands; null when the view does not offer any.
    WkDocumentView* DocumentView() const { return view_; }
    /// The view widget (the frame shows it in a scroll area).
    QWidget* View() const { return viewWidget_; }
    /// The smallest window that shows every control of the view without scrolling.
    QSize SmallestFullSize();
    /// Grows the window to the smallest size that shows every control of its view and keeps
    /// it inside the workspace, moving it where needed.
    void FitIntoWorkspace();
    /// The application has closed the document: the window goes without further steps.
    void CloseForDocument();
    /// Takes the document's title and modified flag.
    void UpdateTitle();

    // WkViewObserver
    void OnUpdate(WkViewObserver* sender, int hint) override;
    void OnTitleChanged(const std::string& title) override;
    void OnModifiedChanged(bool modified) override;
    void ActivateFrame() override;
    void MoveFrame(const WkRect& rect, bool repaint) override;
    void SetFrameShowState(WkShowState state) override;

signals:
    /// What the view's commands can do may have changed (its selection, its clipboard).
    void CommandsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    /// The close request of the user: true when the application closed the document (and
    /// with it this window). The protocol window's frame asks its own way.
    virtual bool RequestClose();
    CorvelApp& App() const { return app_; }

private:
    CorvelApp& app_;
    std::shared_ptr<WkDocument> document_;
    QWidget* viewWidget_;
    WkDocumentView* view_;
    bool documentClosed_ = false;
};
