#pragma once
// The protocol window's frame. Closing it first stops the reader library from handing
// lines over and waits, 20 ms at a time, until no hand-over runs.

#include <QMdiSubWindow>
#include <memory>

class CorvelApp;
class WkLogDoc;
class WkLogView;

class WkLogChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document, QWidget* parent = nullptr);

    WkLogView* View() const { return view_; }
    const std::shared_ptr<WkLogDoc>& Document() const { return document_; }
    /// The application has closed the document: the window goes without further steps.
    void CloseForDocument();
    void UpdateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CorvelApp& app_;
    std::shared_ptr<WkLogDoc> document_;
    WkLogView* view_;
    bool documentClosed_ = false;
    bool retryPending_ = false;
};
