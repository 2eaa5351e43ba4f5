#pragma once
// The MDI child window of a transponder document: its editor view, titled after the document
// with the modified marker, placed where a transponder editor opens. Closing it closes the
// document through the application.

#include <QMdiSubWindow>
#include <functional>
#include <memory>

class CorvelApp;
class WkDocument;
class WkTransponderEditDoc;
class WkTransponderEditView;

class WkTransponderFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    WkTransponderFrame(CorvelApp& app, std::shared_ptr<WkTransponderEditDoc> document,
                       QWidget* parent = nullptr);

    WkTransponderEditView* View() const { return view_; }

    /// The main frame's factory for "Trans" documents; null for any other document.
    static std::function<QMdiSubWindow*(const std::shared_ptr<WkDocument>&)>
    Factory(CorvelApp& app);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CorvelApp& app_;
    std::shared_ptr<WkTransponderEditDoc> document_;
    WkTransponderEditView* view_;
    bool closing_ = false;
};
