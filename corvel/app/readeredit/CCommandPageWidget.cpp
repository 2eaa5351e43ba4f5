#include "CCommandPageWidget.h"

#include "WkEntryMenu.h"
#include "WkHexEdit.h"
#include "WkQtText.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Lines(const std::string& text) {
    return ToQt(text).replace("\r\n", "\n");
}

} // namespace

CCommandPageWidget::CCommandPageWidget(WkCommandPage& page, QWidget* parent)
    : QWidget(parent), page_(page) {
    auto* layout = new QVBoxLayout(this);
    list_ = new QComboBox(this);
    list_->setObjectName("commandList");
    for (const std::string& command : WkCommandPage::Commands()) {
        list_->addItem(ToQt(command));
    }
    layout->addWidget(list_);
    frame_ = new QGroupBox(this);
    auto* fields = new QGridLayout(frame_);
    layout->addWidget(frame_);

    const auto& numbers = page_.Numbers();
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        auto* row = new QWidget(frame_);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(new QLabel(ToQt(numbers[i].label), row));
        auto* edit = new QLineEdit(row);
        edit->setObjectName(QString("field%1").arg(numbers[i].id));
        edit->setMaximumWidth(64);
        rowLayout->addWidget(edit);
        if (!numbers[i].unit.empty()) {
            rowLayout->addWidget(new QLabel(ToQt(numbers[i].unit), row));
        }
        if (i + 1 == numbers.size()) { // the address has a spin
            auto* up = new QToolButton(row);
            auto* down = new QToolButton(row);
            up->setArrowType(Qt::UpArrow);
            down->setArrowType(Qt::DownArrow);
            rowLayout->addWidget(up);
            rowLayout->addWidget(down);
            connect(up, &QToolButton::clicked, this, [this] { page_.Spin(-1); });
            connect(down, &QToolButton::clicked, this, [this] { page_.Spin(1); });
            spinRow_ = row;
        }
        rowLayout->addStretch();
        fields->addWidget(row, static_cast<int>(i), 0);
        numberRows_.push_back(row);
        numbers_.push_back(edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { page_.SetNumberText(i, FromQt(text)); });
    }
    passwordRow_ = new QWidget(frame_);
    auto* passwordLayout = new QHBoxLayout(passwordRow_);
    passwordLayout->setContentsMargins(0, 0, 0, 0);
    passwordLayout->addWidget(new QLabel("Reader Password (hex)", passwordRow_));
    for (std::size_t i = 0; i < page_.Password().Size(); ++i) {
        auto* edit = new QLineEdit(passwordRow_);
        edit->setObjectName(QString("field%1").arg(1170 + static_cast<int>(i)));
        edit->setMaxLength(2);
        edit->setMaximumWidth(32);
        edit->installEventFilter(this);
        passwordLayout->addWidget(edit);
        password_.push_back(edit);
        connect(edit, &QLineEdit::textEdited, this, [this, i, edit] {
            ApplyHexEdit(page_.Password(), i, edit,
                         i + 1 < password_.size() ? password_[i + 1] : nullptr);
        });
    }
    passwordLayout->addStretch();
    fields->addWidget(passwordRow_, static_cast<int>(numbers.size()), 0);

    result_ = new QPlainTextEdit(this);
    result_->setObjectName("result");
    result_->setReadOnly(true);
    layout->addWidget(result_);

    connect(list_, &QComboBox::activated, this, [this](int index) { page_.Select(index); });
    page_.SetChangedListener([this] { Refresh(); });
    Refresh();
}

CCommandPageWidget::~CCommandPageWidget() {
    page_.SetChangedListener(nullptr);
}

bool CCommandPageWidget::eventFilter(QObject* watched, QEvent* event) {
    SelectHexFieldOnFocus(watched, event);
    if (event->type() == QEvent::FocusOut && !refreshing_) {
        for (QLineEdit* edit : password_) {
            if (edit == watched) {
                page_.LeavePassword();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CCommandPageWidget::Refresh() {
    refreshing_ = true;
    list_->setCurrentIndex(page_.Selection());
    frame_->setTitle(list_->currentText());
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        if (numbers_[i]->text() != ToQt(page_.NumberText(i))) {
            numbers_[i]->setText(ToQt(page_.NumberText(i)));
        }
    }
    using F = WkCommandPage;
    const F::Field times[] = {F::kTimeGreen, F::kTimeRed,    F::kTimeBuzzer,
                              F::kTimeRelay, F::kTimeYellow, F::kAddress};
    for (std::size_t i = 0; i < numberRows_.size(); ++i) {
        numberRows_[i]->setVisible(page_.IsShown(times[i]));
    }
    for (std::size_t i = 0; i < password_.size(); ++i) {
        const QString text = ToQt(page_.Password().Text(i));
        if (password_[i]->text() != text) {
            password_[i]->setText(text);
        }
    }
    passwordRow_->setVisible(page_.IsShown(F::kPassword));
    result_->setVisible(page_.IsShown(F::kResult));
    result_->setPlainText(Lines(page_.ResultText()));
    refreshing_ = false;
}

std::vector<WkMenuEntry> CCommandPageWidget::MenuAt(const QPoint& pos) const {
    const bool inside = frame_->geometry().contains(pos) || result_->geometry().contains(pos) ||
                        list_->geometry().contains(pos);
    return inside ? page_.ContextMenu() : std::vector<WkMenuEntry>{};
}

void CCommandPageWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (const int id = ExecEntryMenu(this, MenuAt(event->pos()), event->globalPos())) {
        page_.OnMenu(id);
    }
}
