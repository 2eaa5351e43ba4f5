#include "WkProtocolListView.h"

#include "WkElidedLabel.h"
#include "WkProtocolListDoc.h"
#include "WkProtocolListModel.h"
#include "WkProtocolTemplates.h"
#include "WkQtText.h"

#include <QBrush>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The COM combo asks for the open ports each time its list opens.
class PortCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override {
        if (beforePopup) {
            beforePopup();
        }
        QComboBox::showPopup();
    }
};

} // namespace

WkProtocolListView::WkProtocolListView(CorvelApp& app, std::shared_ptr<WkProtocolListDoc> document,
                                       CProtEditDlg::Form form,
                                       const std::array<Column, 3>& columns, const char* actionText,
                                       const char* listLabel, QWidget* parent)
    : QWidget(parent), document_(std::move(document)),
      services_(WkProtocolTemplates::Services(app)), form_(form) {
    services_.showStatus = [this](const std::string& text) { ShowStatus(text); };

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->setUniformRowHeights(true);
    // Grid lines. A style sheet that draws the items draws their selection too: in the
    // palette's colours, or the selected text would stand on a pale ground.
    list_->setStyleSheet("QTreeView::item { border-right: 1px solid palette(mid); "
                         "border-bottom: 1px solid palette(mid); }"
                         "QTreeView::item:selected { background: palette(highlight); "
                         "color: palette(highlighted-text); }");
    list_->header()->setSectionsMovable(true);
    list_->header()->setStretchLastSection(false);
    QStringList titles;
    for (const Column& column : columns) {
        titles << column.title;
    }
    list_->setHeaderLabels(titles);
    for (int i = 0; i < 3; ++i) {
        list_->setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
        if (columns[static_cast<std::size_t>(i)].centred) {
            list_->headerItem()->setTextAlignment(i, Qt::AlignCenter);
        }
    }
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->installEventFilter(this);

    auto* portCombo = new PortCombo(this);
    portCombo->beforePopup = [this] {
        model_->Port().Fill();
        ShowCombo();
    };
    combo_ = portCombo;
    actionButton_ = new QPushButton(actionText, this);
    newButton_ = new QPushButton("&New...", this);
    editButton_ = new QPushButton("Ed&it...", this);
    deleteButton_ = new QPushButton("&Delete", this);

    auto* comLabel = new QLabel("CO&M", this);
    comLabel->setBuddy(combo_);
    auto* buttons = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{actionButton_, newButton_, editButton_,
                                                           deleteButton_, comLabel, combo_}) {
        buttons->addWidget(widget);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    if (listLabel != nullptr) {
        layout->addWidget(new QLabel(listLabel, this));
    }
    layout->addWidget(list_);
    layout->addLayout(buttons);
    outcome_ = new WkElidedLabel(this);
    outcome_->setObjectName("outcome");
    layout->addWidget(outcome_);

    connect(actionButton_, &QPushButton::clicked, this, [this] {
        TakeSelection();
        OnAction();
    });
    connect(newButton_, &QPushButton::clicked, this, &WkProtocolListView::NewItem);
    connect(editButton_, &QPushButton::clicked, this, &WkProtocolListView::EditSelected);
    connect(deleteButton_, &QPushButton::clicked, this, &WkProtocolListView::DeleteSelected);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        TakeSelection();
        const bool row = model_->HasSelection();
        editButton_->setEnabled(row);
        deleteButton_->setEnabled(row);
    });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // A right click on a row selects it first.
        if (QTreeWidgetItem* item = list_->itemAt(pos)) {
            list_->setCurrentItem(item);
        }
        TakeSelection();
        ShowRowMenu(pos);
    });
    connect(combo_, &QComboBox::activated, this, [this](int index) {
        model_->Port().Apply(index);
        ShowCombo();
    });
    document_->AddView(this);
}

WkProtocolListView::~WkProtocolListView() {
    document_->RemoveView(this);
}

void WkProtocolListView::SetModel(WkProtocolListModel* model) {
    model_ = model;
}

void WkProtocolListView::Start() {
    model_->Start();
    ShowRows();
    ShowCombo();
    if (QTreeWidgetItem* current = list_->currentItem()) {
        list_->scrollToItem(current);
    }
}

void WkProtocolListView::ShowCombo() {
    const WkComPortBinding& port = model_->Port();
    combo_->clear();
    for (const std::string& entry : port.Entries()) {
        combo_->addItem(ToQt(entry));
    }
    combo_->setCurrentIndex(port.Selected());
    combo_->setEnabled(port.Enabled());
}

void WkProtocolListView::ShowRows() {
    const QSignalBlocker blocker(list_);
    list_->clear();
    const auto& rows = model_->Rows();
    for (const WkProtocolListModel::Row& row : rows) {
        auto* item = new QTreeWidgetItem(
            list_, QStringList{ToQt(row.protocol), ToQt(row.comment), ToQt(row.flag)});
        item->setTextAlignment(2, Qt::AlignCenter);
        if (!row.problem.empty()) {
            // A protocol that cannot be sent (a hand-made or old file) shows as such.
            item->setForeground(0, QBrush(Qt::red));
            item->setToolTip(0, ToQt(row.problem));
        }
    }
    if (model_->Selected() >= 0) {
        QTreeWidgetItem* current = list_->topLevelItem(model_->Selected());
        list_->setCurrentItem(current);
        list_->scrollToItem(current);
    }
    editButton_->setEnabled(model_->HasSelection());
    deleteButton_->setEnabled(model_->HasSelection());
    CommandsChanged();
}

void WkProtocolListView::TakeSelection() {
    QTreeWidgetItem* current = list_->currentItem();
    model_->Select(current != nullptr && current->isSelected() ? list_->indexOfTopLevelItem(current)
                                                               : -1);
    CommandsChanged();
}

void WkProtocolListView::ShowOutcome() {
    outcome_->SetFullText(ToQt(model_->Outcome()));
}

void WkProtocolListView::ShowStatus(const std::string& text) {
    if (auto* main = qobject_cast<QMainWindow*>(window())) {
        main->statusBar()->showMessage(ToQt(text));
    }
}

bool WkProtocolListView::EditItem(WkProtocolItem& item) {
    CProtEditDlg dialog(form_, item, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    dialog.TakeInto(item);
    return true;
}

WkViewCommandSet WkProtocolListView::AvailableCommands() const {
    WkViewCommandSet commands;
    if (model_->HasSelection()) {
        commands.Add(WkViewCommand::Cut);
        commands.Add(WkViewCommand::Copy);
        commands.Add(WkViewCommand::Delete);
    }
    if (model_->CanInsert()) {
        commands.Add(WkViewCommand::Insert);
        commands.Add(WkViewCommand::Paste);
    }
    return commands;
}

void WkProtocolListView::RunCommand(WkViewCommand command) {
    switch (command) {
    case WkViewCommand::Cut:
    case WkViewCommand::Delete:
        DeleteSelected();
        break;
    case WkViewCommand::Copy:
        CopySelected();
        break;
    case WkViewCommand::Insert:
    case WkViewCommand::Paste:
        InsertClipboard();
        break;
    default:
        break;
    }
}

void WkProtocolListView::OnUpdate(WkViewObserver*, int) {
    model_->Reload();
    ShowRows();
}

void WkProtocolListView::NewItem() {
    if (model_->New()) {
        model_->Select(static_cast<int>(model_->Rows().size()) - 1);
        ShowRows();
    }
}

void WkProtocolListView::EditSelected() {
    TakeSelection();
    if (model_->Edit()) {
        ShowRows();
    }
}

void WkProtocolListView::DeleteSelected() {
    TakeSelection();
    if (model_->Delete()) {
        ShowRows();
    }
}

void WkProtocolListView::CopySelected() {
    TakeSelection();
    model_->Copy();
    CommandsChanged();
}

bool WkProtocolListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
