#pragma once
// The reader configuration view: the sheet of pages, the bus address field, the COM list and
// the page and document buttons, bound to WkReaderEditViewModel. It shows the model's state
// and forwards the user's actions; every rule is the model's.

#include "WkDocumentView.h"
#include "WkReaderEditViewModel.h"

#include <QWidget>
#include <memory>

namespace Ui {
class WkReaderEditView;
}
class CReaderEditSheet;
class WkReaderEditDoc;

class WkReaderEditView : public QWidget, public WkDocumentView {
    Q_OBJECT
public:
    /// `document` is kept alive by the view.
    explicit WkReaderEditView(std::shared_ptr<WkReaderEditDoc> document, QWidget* parent = nullptr);
    /// Cancels a baud rate detection under way (the port gets its settings back), then the
    /// pages go while their document is still there.
    ~WkReaderEditView() override;

    WkReaderEditViewModel& Model() { return model_; }
    CReaderEditSheet& Sheet() { return *sheet_; }

    // WkDocumentView: the configuration has nothing to print and no Edit commands.
    WkViewCommandSet AvailableCommands() const override { return {}; }
    void RunCommand(WkViewCommand) override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    // One attempt of the baud rate detection per turn of the event loop, so that the window
    // paints and its Cancel is heard between attempts.
    void BusyStep();

    std::shared_ptr<WkReaderEditDoc> document_;
    std::unique_ptr<Ui::WkReaderEditView> ui_;
    CReaderEditSheet* sheet_;
    WkReaderEditViewModel model_;
    bool shown_ = false;
    bool refreshing_ = false;
};
