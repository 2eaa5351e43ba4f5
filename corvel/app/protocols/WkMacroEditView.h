#pragma once
// The macro editor's window: "List of protocols :", "&Run", and the row menu with Edit,
// Copy, Insert (Head, Before, After, Tail) and Delete.

#include "WkMacroEditViewModel.h"
#include "WkProtocolListView.h"

class WkMacroEditDoc;

class WkMacroEditView : public WkProtocolListView {
    Q_OBJECT
public:
    WkMacroEditView(CorvelApp& app, std::shared_ptr<WkMacroEditDoc> document,
                    QWidget* parent = nullptr);
    ~WkMacroEditView() override;

    WkMacroEditViewModel& Model() { return model_; }

protected:
    void OnAction() override;
    void InsertClipboard() override { InsertAt(model_.LastPosition()); }
    void ShowRowMenu(const QPoint& pos) override;

private:
    void InsertAt(WkMacroEditViewModel::InsertPosition position);

    WkMacroEditViewModel model_;
};
