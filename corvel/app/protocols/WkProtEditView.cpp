#include "WkProtEditView.h"

#include "WkCommandMenu.h"
#include "WkProtEditDoc.h"
#include "WkQtText.h"

#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>

namespace {
constexpr std::array<WkProtocolListView::Column, 3> kColumns = {{
    {"Protocol", 200, false},
    {"Comment", 200, false},
    {"Create Chk", 50, true},
}};
} // namespace

WkProtEditView::WkProtEditView(CorvelApp& app, std::shared_ptr<WkProtEditDoc> document,
                               QWidget* parent)
    : WkProtocolListView(app, document, CProtEditDlg::Form::Protocol, kColumns, "&Send", nullptr,
                         parent),
      model_(*document, services_, *this) {
    SetModel(&model_);
    QHeaderView* header = List()->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int logical) {
        TakeSelection();
        model_.HeaderClicked(logical);
        List()->header()->setSortIndicator(
            logical, model_.IsAscending(logical) ? Qt::AscendingOrder : Qt::DescendingOrder);
        ShowRows();
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, &WkProtEditView::ShowSortMenu);
    connect(List(), &QTreeWidget::itemDoubleClicked, this, [this] {
        TakeSelection();
        OnAction();
    });
    Start();
    header->setSortIndicator(0, Qt::AscendingOrder);
}

WkProtEditView::~WkProtEditView() = default;

void WkProtEditView::OnAction() {
    model_.Send();
    ShowOutcome();
}

void WkProtEditView::InsertClipboard() {
    if (model_.Insert()) {
        ShowRows();
    }
}

void WkProtEditView::ShowRowMenu(const QPoint& pos) {
    if (!model_.HasSelection()) {
        return;
    }
    using namespace CommandId;
    QMenu menu(this);
    AddCommandEntry(menu, kRowSend, this, [this] { OnAction(); });
    AddCommandEntry(menu, kRowEdit, this, [this] { EditSelected(); });
    AddCommandEntry(menu, kRowCopy, this, [this] { CopySelected(); });
    AddCommandEntry(menu, kRowInsert, this, [this] {
        InsertClipboard();
    })->setEnabled(model_.CanInsert());
    AddCommandEntry(menu, kRowDelete, this, [this] { DeleteSelected(); });
    menu.exec(List()->viewport()->mapToGlobal(pos));
}

void WkProtEditView::ShowSortMenu(const QPoint& pos) {
    QHeaderView* header = List()->header();
    if (header->logicalIndexAt(pos) != 0) {
        return;
    }
    QMenu menu(this);
    menu.addSection(WkProtEditViewModel::kSortMenuTitle);
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = menu.addAction(ToQt(WkProtEditViewModel::kSortModeNames[mode]));
        action->setCheckable(true);
        action->setChecked(model_.GetSortMode() == mode);
        connect(action, &QAction::triggered, this, [this, mode] {
            TakeSelection();
            model_.ChooseSortMode(static_cast<WkProtEditViewModel::SortMode>(mode));
            List()->header()->setSortIndicator(0, Qt::AscendingOrder);
            ShowRows();
        });
    }
    menu.exec(header->mapToGlobal(pos));
}
