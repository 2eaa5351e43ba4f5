#include "CPasswordDlg.h"

#include "WkHexEdit.h"
#include "WkQtText.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPasswordDlg::CPasswordDlg(WkPasswordDialog& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setWindowTitle(ToQt(logic_.Title()));
    auto* layout = new QVBoxLayout(this);
    std::size_t next = 0; // the frames' rows hold the fields in field order
    for (const WkHexFrame& frame : logic_.Frames()) {
        auto* box = new QGroupBox(ToQt(frame.title), this);
        auto* grid = new QGridLayout(box);
        layout->addWidget(box);
        for (std::size_t row = 0; row < frame.rows.size(); ++row) {
            QLabel* label = nullptr;
            if (!frame.rows[row].empty()) {
                label = new QLabel(ToQt(frame.rows[row]), box);
                grid->addWidget(label, static_cast<int>(row), 0);
            }
            for (std::size_t column = 0; column < frame.perRow; ++column) {
                QLineEdit* edit = AddField(next++, box);
                grid->addWidget(edit, static_cast<int>(row), static_cast<int>(column) + 1);
                if (label != nullptr && column == 0) {
                    label->setBuddy(edit);
                }
            }
        }
        const int after = static_cast<int>(frame.perRow) + 1;
        if (!logic_.Hint().empty()) {
            grid->addWidget(new QLabel(ToQt(logic_.Hint()), box), 0, after);
        }
        grid->setColumnStretch(after + 1, 1); // the fields stay at the left
    }
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto* send = new QPushButton("&Send", this);
    buttons->addWidget(send);
    connect(send, &QPushButton::clicked, this, [this] {
        std::size_t bad = fields_.size();
        logic_.Send(&bad);
        Refresh();
        FocusField(bad);
    });
    if (logic_.GetKind() == WkPasswordDialog::kCalibration) {
        auto* read = new QPushButton("&Read", this);
        buttons->addWidget(read);
        connect(read, &QPushButton::clicked, this, [this] {
            logic_.Read();
            Refresh();
        });
    }
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    logic_.Open();
    Refresh();
}

QLineEdit* CPasswordDlg::AddField(std::size_t index, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString("hex%1").arg(index));
    edit->setMaxLength(2);
    edit->setMaximumWidth(32);
    edit->installEventFilter(this);
    fields_.push_back(edit);
    connect(edit, &QLineEdit::textEdited, this, [this, index, edit] {
        ApplyHexEdit(logic_.Fields(), index, edit,
                     index + 1 < fields_.size() ? fields_[index + 1] : nullptr);
    });
    return edit;
}

void CPasswordDlg::accept() {
    std::size_t bad = fields_.size();
    if (!logic_.Ok(&bad)) {
        FocusField(bad); // the dialog stays open with the field to correct
        return;
    }
    QDialog::accept();
}

void CPasswordDlg::FocusField(std::size_t index) {
    if (index < fields_.size()) {
        fields_[index]->setFocus();
        fields_[index]->selectAll();
    }
}

bool CPasswordDlg::eventFilter(QObject* watched, QEvent* event) {
    SelectHexFieldOnFocus(watched, event);
    if (event->type() == QEvent::FocusOut && !refreshing_) {
        logic_.LeaveField();
        Refresh();
    }
    return QDialog::eventFilter(watched, event);
}

void CPasswordDlg::Refresh() {
    refreshing_ = true;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const QString text = ToQt(logic_.Fields().Text(i));
        if (fields_[i]->text() != text) {
            fields_[i]->setText(text);
        }
    }
    refreshing_ = false;
}
