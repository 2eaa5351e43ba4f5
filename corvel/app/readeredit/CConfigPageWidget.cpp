#include "CConfigPageWidget.h"

#include "WkEntryMenu.h"
#include "WkQtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CConfigPageWidget::CConfigPageWidget(WkConfigPage& page, QWidget* parent)
    : QWidget(parent), page_(page), controls_(page.Table().controls.size()) {
    const WkPageTable& table = page.Table();
    auto* layout = new QVBoxLayout(this);
    // Frames in the order their first control appears; grids where controls have columns.
    std::map<std::string, QGridLayout*> grids;
    std::map<std::string, std::vector<std::string>> rows, columns;
    auto grid = [&](const std::string& group) -> QGridLayout* {
        if (group.empty()) {
            auto* plain = new QGridLayout;
            layout->addLayout(plain);
            return grids[group] = plain;
        }
        if (grids.count(group) == 0) {
            auto* frame = new QGroupBox(ToQt(group), this);
            frames_[group] = frame;
            grids[group] = new QGridLayout(frame);
            layout->addWidget(frame);
        }
        return grids[group];
    };
    auto position = [](std::vector<std::string>& list, const std::string& name) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i] == name) {
                return static_cast<int>(i);
            }
        }
        list.push_back(name);
        return static_cast<int>(list.size() - 1);
    };
    for (std::size_t i = 0; i < table.controls.size(); ++i) {
        const WkPageControl& control = table.controls[i];
        QGridLayout* target =
            grids.count(control.group) ? grids[control.group] : grid(control.group);
        QWidget* widget = Build(i);
        if (control.column.empty()) {
            target->addWidget(widget, target->rowCount(), 0, 1, -1);
            continue;
        }
        // A grid: a row per label, a column per column title, titles in row 0.
        const int column = position(columns[control.group], control.column) + 1;
        const int row = position(rows[control.group], control.label + "#") + 1;
        if (row == 1) {
            target->addWidget(new QLabel(ToQt(control.column), this), 0, column);
        }
        if (column == 1) {
            target->addWidget(new QLabel(ToQt(control.label), this), row, 0);
        }
        target->addWidget(widget, row, column);
    }
    for (const WkPageButton& button : table.buttons) {
        auto* push = new QPushButton(ToQt(button.label), this);
        push->setObjectName(QString("button%1").arg(button.id));
        QGridLayout* target = grids.count(button.group) ? grids[button.group] : grid(button.group);
        target->addWidget(push, target->rowCount(), 0);
        connect(push, &QPushButton::clicked, this,
                [this, id = button.id] { emit dialogRequested(id); });
    }
    layout->addStretch();
    page_.SetChangedListener([this] { Refresh(); });
    Refresh();
}

QWidget* CConfigPageWidget::Build(std::size_t index) {
    const WkPageControl& control = page_.Table().controls[index];
    Control& c = controls_[index];
    const QString label = ToQt(control.label);
    c.box = new QWidget(this);
    c.box->setObjectName(QString("control%1").arg(control.id));
    auto* row = new QHBoxLayout(c.box);
    row->setContentsMargins(0, 0, 0, 0);
    switch (control.kind) {
    case WkControlKind::Check:
        c.check = new QCheckBox(control.column.empty() ? label : QString(), c.box);
        row->addWidget(c.check);
        connect(c.check, &QCheckBox::toggled, this, [this, index](bool on) {
            if (!refreshing_) {
                page_.SetValue(index, on ? 1 : 0);
            }
        });
        break;
    case WkControlKind::Radio:
    case WkControlKind::OneHot:
        if (!control.label.empty()) {
            row->addWidget(new QLabel(label, c.box));
        }
        c.radios = new QButtonGroup(c.box);
        for (std::size_t i = 0; i < control.items.size(); ++i) {
            auto* radio = new QRadioButton(ToQt(control.items[i]), c.box);
            c.radios->addButton(radio, static_cast<int>(i));
            row->addWidget(radio);
        }
        connect(c.radios, &QButtonGroup::idClicked, this,
                [this, index](int id) { page_.SetValue(index, static_cast<std::uint32_t>(id)); });
        break;
    case WkControlKind::Number:
        if (!control.label.empty()) {
            row->addWidget(new QLabel(label, c.box));
        }
        c.edit = new QLineEdit(c.box);
        c.edit->setMaximumWidth(64);
        row->addWidget(c.edit);
        if (!control.unit.empty()) {
            row->addWidget(new QLabel(ToQt(control.unit), c.box));
        }
        connect(c.edit, &QLineEdit::textEdited, this,
                [this, index](const QString& text) { page_.SetText(index, FromQt(text)); });
        break;
    default: // lists
        if (!control.label.empty() && control.column.empty()) {
            row->addWidget(new QLabel(label, c.box));
        }
        c.list = new QComboBox(c.box);
        for (const std::string& item : control.items) {
            c.list->addItem(ToQt(item));
        }
        row->addWidget(c.list);
        connect(c.list, &QComboBox::activated, this, [this, index](int item) {
            page_.SetValue(index, static_cast<std::uint32_t>(item));
        });
        break;
    }
    row->addStretch();
    return c.box;
}

void CConfigPageWidget::Refresh() {
    refreshing_ = true;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        Control& c = controls_[i];
        const int value = static_cast<int>(page_.Value(i));
        if (c.check != nullptr) {
            c.check->setChecked(value != 0);
        } else if (c.radios != nullptr) {
            QAbstractButton* button = c.radios->button(value);
            c.radios->setExclusive(button != nullptr);
            for (QAbstractButton* each : c.radios->buttons()) {
                each->setChecked(each == button);
            }
            c.radios->setExclusive(true);
        } else if (c.list != nullptr) {
            c.list->setCurrentIndex(value < c.list->count() ? value : -1);
        } else if (c.edit != nullptr && c.edit->text() != ToQt(page_.Text(i))) {
            c.edit->setText(ToQt(page_.Text(i)));
        }
        c.box->setVisible(page_.IsShown(i));
    }
    for (const auto& [group, frame] : frames_) {
        frame->setTitle(ToQt(page_.FrameTitle(group)));
    }
    refreshing_ = false;
}

QGroupBox* CConfigPageWidget::Frame(const std::string& group) const {
    const auto found = frames_.find(group);
    return found == frames_.end() ? nullptr : found->second;
}

std::string CConfigPageWidget::FrameAt(const QPoint& pos) const {
    for (const auto& [group, frame] : frames_) {
        if (frame->isVisible() && frame->geometry().contains(pos)) {
            return group;
        }
    }
    return {};
}

std::vector<WkMenuEntry> CConfigPageWidget::MenuAt(const QPoint& pos) const {
    const std::string frame = FrameAt(pos);
    return frame.empty() ? std::vector<WkMenuEntry>{} : page_.ContextMenu(frame);
}

void CConfigPageWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (const int id = ExecEntryMenu(this, MenuAt(event->pos()), event->globalPos())) {
        page_.OnMenu(id);
    }
}
