#include "WkMacroEditView.h"

#include "WkCommandMenu.h"
#include "WkMacroEditDoc.h"
#include "WkQtText.h"

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
    ShowOutcome();
}

void WkMacroEditView::InsertAt(WkMacroEditViewModel::InsertPosition position) {
    TakeSelection();
    if (model_.Insert(position)) {
        ShowRows();
    }
}

void WkMacroEditView::ShowRowMenu(const QPoint& pos) {
    using namespace CommandId;
    QMenu menu(this);
    const bool row = model_.HasSelection();
    AddCommandEntry(menu, kRowEdit, this, [this] { EditSelected(); })->setEnabled(row);
    AddCommandEntry(menu, kRowCopy, this, [this] { CopySelected(); })->setEnabled(row);
    QMenu* insert = menu.addMenu(ToQt(MenuTitle(kMenuMacroInsert)));
    insert->setEnabled(model_.CanInsert());
    // In the order of the positions: Head, Before, After, Tail.
    const int entries[] = {kInsertHead, kInsertBefore, kInsertAfter, kInsertTail};
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        const auto position = static_cast<WkMacroEditViewModel::InsertPosition>(i);
        AddCommandEntry(*insert, entries[i], this, [this, position] { InsertAt(position); });
    }
    AddCommandEntry(menu, kRowDelete, this, [this] { DeleteSelected(); })->setEnabled(row);
    menu.exec(List()->viewport()->mapToGlobal(pos));
}
