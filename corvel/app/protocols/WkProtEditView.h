#pragma once
// The protocol editor's window: the sortable list, "&Send", the row menu with Send, Edit,
// Copy, Insert and Delete, and the header's sort mode menu.

#include "WkProtEditViewModel.h"
#include "WkProtocolListView.h"

class WkProtEditDoc;

class WkProtEditView : public WkProtocolListView {
    Q_OBJECT
public:
    WkProtEditView(CorvelApp& app, std::shared_ptr<WkProtEditDoc> document,
                   QWidget* parent = nullptr);
    ~WkProtEditView() override;

    WkProtEditViewModel& Model() { return model_; }

protected:
    void OnAction() override;
    void InsertClipboard() override;
    void ShowRowMenu(const QPoint& pos) override;

private:
    void ShowSortMenu(const QPoint& pos);

    WkProtEditViewModel model_;
};
