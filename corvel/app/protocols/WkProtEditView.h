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

    // The Edit menu.
    bool CanCopy() const { return model_.HasSelection(); }
    bool CanInsert() const { return model_.CanInsert(); }
    void Cut() { DeleteSelected(); }
    void Copy() { CopySelected(); }
    void Insert();
    void Delete() { DeleteSelected(); }

protected:
    void OnAction() override;
    void ShowRowMenu(const QPoint& pos) override;

private:
    void ShowSortMenu(const QPoint& pos);

    WkProtEditViewModel model_;
};
