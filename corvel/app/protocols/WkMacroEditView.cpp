#include "WkMacroEditView.h"

#include "WkMacroEditDoc.h"

#include <QMenu>
#include <QTreeWidget>

namespace {
constexpr std::array<WkProtocolListView::Column, 3> kColumns = {{
    {"Protocol", 200, false},
    {"Comment", 175, false},
    {"Halt on Error", 75, true},
}};
} // namespace

WkMacroEditView::WkMacroEditView(CorvelApp& app, std::shared_ptr<WkMacroEditDoc> document,
                                 QWidget* parent)
    : WkProtocolListView(app, document, CProtEditDlg::Form::Macro, kColumns, "&Run",
                         "List of protocols :", parent),
      model_(*document, services_, *this) {
    SetModel(&model_);
    Start();
}

WkMacroEditView::~WkMacroEditView() = default;

void WkMacroEditView::OnAction() {
    const WkMacroEditViewModel::RunResult result = model_.Run();
    if (result.ran && result.haltedAt == 0) {
        ShowStatus(WkMacroEditViewModel::Summary(result));
    }
}

void WkMacroEditView::InsertAt(WkMacroEditViewModel::InsertPosition position) {
    TakeSelection();
    if (model_.Insert(position)) {
        ShowRows();
    }
}

void WkMacroEditView::ShowRowMenu(const QPoint& pos) {
    QMenu menu(this);
    const bool row = model_.HasSelection();
    menu.addAction("Edit", this, [this] { EditSelected(); })->setEnabled(row);
    menu.addAction("Copy", this, [this] { CopySelected(); })->setEnabled(row);
    QMenu* insert = menu.addMenu("Insert");
    insert->setEnabled(model_.CanInsert());
    for (std::size_t i = 0; i < WkMacroEditViewModel::kInsertNames.size(); ++i) {
        const auto position = static_cast<WkMacroEditViewModel::InsertPosition>(i);
        insert->addAction(WkMacroEditViewModel::kInsertNames[i], this,
                          [this, position] { InsertAt(position); });
    }
    menu.addAction("Delete", this, [this] { DeleteSelected(); })->setEnabled(row);
    menu.exec(List()->viewport()->mapToGlobal(pos));
}
