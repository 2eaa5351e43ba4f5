#include "WkTransponderEditView.h"

#include "WkElidedLabel.h"
#include "WkQtText.h"
#include "WkTransponderEditDoc.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <functional>

namespace {

// A spin box whose arrows step through the view model instead of changing the value itself.
class StepSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    std::function<void(int)> onStep;
    void stepBy(int steps) override {
        if (onStep) {
            onStep(steps);
        }
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

QLineEdit* HexEdit(QWidget* parent) {
    auto* edit = new QLineEdit(QStringLiteral("00"), parent);
    edit->setMaxLength(2);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")));
    edit->setAlignment(Qt::AlignCenter);
    edit->setPlaceholderText(QStringLiteral("--")); // a byte not read
    return edit;
}

void SetText(QLineEdit* edit, const std::string& text) {
    const QString value = ToQt(text);
    if (edit->text() != value) {
        edit->setText(value);
    }
}

// A read-only edit looks it: the window's colour behind its text instead of the edit's.
void SetReadOnly(QLineEdit* edit, bool readOnly) {
    edit->setReadOnly(readOnly);
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Base, edit->parentWidget()->palette().color(
                                         readOnly ? QPalette::Window : QPalette::Base));
    edit->setPalette(colours);
}

// A label whose mnemonic moves the focus to `control`.
QLabel* Buddy(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

// A widget that keeps its place in the layout while hidden, so that nothing moves.
void KeepPlace(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

WkTransponderEditView::WkTransponderEditView(std::shared_ptr<WkTransponderEditDoc> document,
                                             QWidget* parent)
    : QWidget(parent), document_(std::move(document)), model_(*document_) {
    Build();
    Connect();
    document_->AddView(this);
    model_.InitialUpdate();
    Refresh();
}

WkTransponderEditView::~WkTransponderEditView() {
    document_->RemoveView(this);
}

void WkTransponderEditView::Build() {
    list_ = new QListWidget(this);
    for (const WkTransponderCommand& command : kTransponderCommands) {
        list_->addItem(ToQt(command.text));
    }
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 24);
    list_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    list_->installEventFilter(this);

    auto* right = new QVBoxLayout;
    // Type and serial number in one row, ID length and ID number in the next.
    auto* identity = new QGridLayout;
    type_ = new QLineEdit(this);
    type_->setFixedWidth(type_->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWW")));
    identity->addWidget(new QLabel(tr("Tr.-Type"), this), 0, 0);
    identity->addWidget(type_, 0, 1);
    serial_ = new QLineEdit(this);
    // Room for the ten digits of a serial number in either base.
    serial_->setMinimumWidth(
        serial_->fontMetrics().horizontalAdvance(QStringLiteral("0000000000W")));
    decimal_ = new QRadioButton(tr("&dez"), this);
    hex_ = new QRadioButton(tr("&hex"), this);
    identity->addWidget(new QLabel(tr("SN"), this), 0, 2);
    identity->addWidget(serial_, 0, 3);
    auto* base = new QHBoxLayout;
    base->addWidget(decimal_);
    base->addWidget(hex_);
    identity->addLayout(base, 0, 4);
    auto* idLength = new StepSpinBox(this);
    idLength->onStep = [this](int steps) {
        model_.StepIdLength(steps);
        Refresh();
    };
    idLength_ = idLength;
    idLength_->setRange(0, WkTransponderEditModel::kMaxIdLength);
    idNumber_ = new QLineEdit(this);
    idNumber_->setMaxLength(24);
    identity->addWidget(Buddy(tr("ID&L (dez)"), idLength_, this), 1, 0);
    identity->addWidget(idLength_, 1, 1);
    identity->addWidget(Buddy(tr("&ID"), idNumber_, this), 1, 2);
    identity->addWidget(idNumber_, 1, 3, 1, 2);
    identity->setColumnStretch(3, 1);
    right->addLayout(identity);

    group_ = new QGroupBox(this);
    auto* groupLayout = new QVBoxLayout(group_);
    // The data rows, the passwords and the ZiduzeDavi box take turns in one place of the
    // height of the tallest, so that nothing below them moves.
    auto* pages = new QStackedWidget(group_);
    pages_ = pages;
    dataControls_ = new QWidget(group_);
    auto* dataLayout = new QGridLayout(dataControls_);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    auto* address = new StepSpinBox(dataControls_);
    address->onStep = [this](int steps) {
        model_.StepAddress(steps);
        Refresh();
    };
    address_ = address;
    address_->setRange(0, WkTransponderEditModel::kMaxAddress);
    blocks_ = new QComboBox(dataControls_);
    blocks_->addItems({"1", "2", "3", "4"});
    auto* parameters = new QHBoxLayout;
    parameters->addWidget(Buddy(tr("&Adress (dez)"), address_, dataControls_));
    parameters->addWidget(address_);
    parameters->addWidget(Buddy(tr("&Nr of Blocks"), blocks_, dataControls_));
    parameters->addWidget(blocks_);
    parameters->addStretch(1);
    dataLayout->addLayout(parameters, 0, 0, 1, 6);
    for (int row = 0; row < 4; ++row) {
        rowLabels_[static_cast<std::size_t>(row)] = new QLabel(dataControls_);
        dataLayout->addWidget(rowLabels_[static_cast<std::size_t>(row)], row + 1, 0);
        for (int column = 0; column < 4; ++column) {
            QLineEdit* edit = HexEdit(dataControls_);
            data_[static_cast<std::size_t>(4 * row + column)] = edit;
            dataLayout->addWidget(edit, row + 1, column + 1);
        }
    }
    scroll_ = new QScrollBar(Qt::Vertical, dataControls_);
    scroll_->setRange(0, WkTransponderEditModel::kMaxFirstShown);
    scroll_->setPageStep(WkTransponderEditModel::kPageStep);
    dataLayout->addWidget(scroll_, 1, 5, 4, 1);
    pages->addWidget(dataControls_);
    passwordControls_ = new QWidget(group_);
    auto* passwordLayout = new QHBoxLayout(passwordControls_);
    for (QLineEdit*& edit : password_) {
        edit = HexEdit(passwordControls_);
        passwordLayout->addWidget(edit);
    }
    passwordLayout->addStretch(1);
    pages->addWidget(passwordControls_);
    auto* cryptControls = new QWidget(group_);
    auto* cryptLayout = new QVBoxLayout(cryptControls);
    crypt_ = new QComboBox(cryptControls);
    for (const WkCryptSubCommand& sub : kCryptSubCommands) {
        crypt_->addItem(ToQt(sub.text));
    }
    cryptLayout->addWidget(crypt_);
    cryptLayout->addStretch(1);
    pages->addWidget(cryptControls);
    groupLayout->addWidget(pages);
    right->addWidget(group_);

    auto* buttons = new QHBoxLayout;
    action_ = new QPushButton(this);
    editSnr_ = new QPushButton(tr("Edit &Snr..."), this);
    KeepPlace(editSnr_);
    buttons->addWidget(action_);
    buttons->addWidget(editSnr_);
    buttons->addStretch(1);
    right->addLayout(buttons);
    // Status and outcome each on a line of their own, cut with "..." where the window is
    // narrow (the whole text in the tool tip).
    status_ = new WkElidedLabel(this);
    status_->setObjectName("status");
    right->addWidget(status_);
    outcome_ = new WkElidedLabel(this);
    outcome_->setObjectName("outcome");
    right->addWidget(outcome_);
    right->addStretch(1);

    auto* commands = new QVBoxLayout;
    commands->addWidget(Buddy(tr("&Commands"), list_, this));
    commands->addWidget(list_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(commands);
    layout->addLayout(right, 1);
}

void WkTransponderEditView::Connect() {
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        model_.SelectCommand(row);
        Refresh();
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        model_.DoubleClick(list_->row(item));
        Refresh();
    });
    connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QListWidgetItem* item = list_->itemAt(at)) {
            ShowPopupFor(list_->row(item), list_->viewport()->mapToGlobal(at));
        }
    });
    connect(action_, &QPushButton::clicked, this, [this] { Execute(); });
    connect(editSnr_, &QPushButton::clicked, this, [this] {
        model_.EditSerialNumber(
            [this](std::uint32_t initial) { return AskSerialNumber(this, initial); });
        Refresh();
    });
    connect(decimal_, &QRadioButton::clicked, this, [this] {
        model_.SetNumberBase(0);
        Refresh();
    });
    connect(hex_, &QRadioButton::clicked, this, [this] {
        model_.SetNumberBase(1);
        Refresh();
    });
    connect(idLength_, &QSpinBox::textChanged, this, [this](const QString& text) {
        model_.TypedIdLength(FromQt(text));
        Refresh();
    });
    // The typed ID is the field at once, so that a save takes it without leaving the edit.
    connect(idNumber_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.GetFields().idNumber = FromQt(text); });
    connect(idNumber_, &QLineEdit::editingFinished, this, [this] {
        model_.LeftEdit();
        Refresh();
    });
    connect(address_, &QSpinBox::textChanged, this, [this](const QString& text) {
        model_.TypedAddress(FromQt(text));
        Refresh();
    });
    connect(blocks_, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_.GetFields().blocks = index; });
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        model_.ScrollData(WkTransponderEditModel::Scroll::Thumb, value);
        Refresh();
    });
    for (int i = 0; i < 16; ++i) {
        QLineEdit* edit = data_[static_cast<std::size_t>(i)];
        connect(edit, &QLineEdit::textEdited, this, [this, edit, i](const QString& text) {
            EditedHex(edit, model_.EditedData(i, FromQt(text)));
        });
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            model_.LeftEdit();
            Refresh();
        });
    }
    for (int i = 0; i < 4; ++i) {
        QLineEdit* edit = password_[static_cast<std::size_t>(i)];
        connect(edit, &QLineEdit::textEdited, this, [this, edit, i](const QString& text) {
            EditedHex(edit, model_.EditedPassword(i, FromQt(text)));
        });
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            model_.LeftEdit();
            Refresh();
        });
    }
    connect(crypt_, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_.SetCryptPosition(index); });
}

bool WkTransponderEditView::eventFilter(QObject* watched, QEvent* event) {
    // Enter and Space in the command list do what a double click does.
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            list_->currentRow() >= 0) {
            model_.DoubleClick(list_->currentRow());
            Refresh();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WkTransponderEditView::EditedHex(QLineEdit* edit, bool valid) {
    if (!valid) {
        QApplication::beep();
        edit->setFocus();
        edit->selectAll();
    }
}

void WkTransponderEditView::Execute() {
    model_.ExecuteSelected();
    Refresh();
}

void WkTransponderEditView::ShowPopupFor(int row, const QPoint& globalPosition) {
    list_->setCurrentRow(row);
    QMenu menu(this);
    QAction* send = menu.addAction(ToQt(model_.PopupText()));
    send->setEnabled(model_.PopupEnabled());
    if (menu.exec(globalPosition) == send) {
        Execute();
    }
}

void WkTransponderEditView::Refresh() {
    const WkTransponderEditModel::Fields& fields = model_.GetFields();
    const WkTransponderEditModel::Page page = model_.GetPage();
    const QList<QWidget*> controls = findChildren<QWidget*>();
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QWidget* control : controls) {
        blockers.push_back(std::make_unique<QSignalBlocker>(control));
    }
    list_->setCurrentRow(fields.selected);
    SetText(type_, fields.typeText);
    SetText(serial_, fields.serialText);
    decimal_->setChecked(fields.numberBase == 0);
    hex_->setChecked(fields.numberBase == 1);
    idLength_->setValue(std::atoi(fields.idLength.c_str()));
    SetText(idNumber_, fields.idNumber);
    idLength_->setEnabled(page.idEditable);
    idNumber_->setEnabled(page.idEditable);
    SetReadOnly(type_, true);
    SetReadOnly(serial_, true);
    if (address_->text() != ToQt(fields.address)) {
        address_->setValue(std::atoi(fields.address.c_str()));
    }
    address_->setEnabled(page.addressEditable);
    blocks_->setCurrentIndex(fields.blocks); // -1: the command has no block count
    blocks_->setEnabled(page.blocksEditable);
    scroll_->setValue(fields.firstShown);
    scroll_->setEnabled(page.scrollEnabled);
    for (std::size_t i = 0; i < data_.size(); ++i) {
        // A text being corrected stays as typed until the edit is left.
        if (!data_[i]->hasFocus()) {
            SetText(data_[i], fields.data[i]);
        }
        SetReadOnly(data_[i], static_cast<int>(i) >= page.editableDataCells);
        data_[i]->setToolTip(fields.unread[i] ? tr("Not read") : QString());
    }
    for (std::size_t i = 0; i < rowLabels_.size(); ++i) {
        rowLabels_[i]->setText(ToQt(page.rowLabels[i]));
    }
    for (std::size_t i = 0; i < password_.size(); ++i) {
        if (!password_[i]->hasFocus()) {
            SetText(password_[i], fields.password[i]);
        }
    }
    crypt_->setCurrentIndex(fields.crypt);
    group_->setTitle(ToQt(page.groupCaption));
    pages_->setCurrentIndex(page.passwordVisible ? 1 : page.cryptVisible ? 2 : 0);
    action_->setText(ToQt(page.actionCaption));
    action_->setEnabled(page.actionEnabled);
    editSnr_->setVisible(page.editSnrVisible);
    status_->SetFullText(ToQt(fields.status));
    outcome_->SetFullText(ToQt(fields.outcome));
}

void WkTransponderEditView::OnUpdate(WkViewObserver*, int hint) {
    if (hint == kHintCommit) {
        model_.Take();
        return;
    }
    model_.Show();
    Refresh();
}

bool WkTransponderEditView::CommitEdits() {
    return model_.Take();
}

std::optional<std::uint32_t> WkTransponderEditView::AskSerialNumber(QWidget* parent,
                                                                    std::uint32_t initial) {
    QDialog dialog(parent);
    dialog.setWindowTitle(ToQt(WkTransponderEditText::kEditSnrTitle));
    auto* edit = new QLineEdit(QString::number(initial), &dialog);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{1,10}")), edit));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    std::optional<std::uint32_t> number;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        number = ParseSerialNumberInput(FromQt(edit->text()));
        if (!number) {
            QMessageBox::warning(&dialog, dialog.windowTitle(),
                                 QObject::tr("Please enter an integer between 0 and 4294967295."));
            edit->setFocus();
            edit->selectAll();
            return;
        }
        dialog.accept();
    });
    return dialog.exec() == QDialog::Accepted ? number : std::nullopt;
}
