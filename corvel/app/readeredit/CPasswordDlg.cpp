#include "CPasswordDlg.h"

#include "WkHexEdit.h"
#include "WkQtText.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPasswordDlg::CPasswordDlg(WkPasswordDialog& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setWindowTitle(ToQt(logic_.Title()));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    WkHexFields& fields = logic_.Fields();
    for (std::size_t i = 0; i < fields.Size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(2);
        edit->setMaximumWidth(32);
        edit->installEventFilter(this);
        grid->addWidget(edit, static_cast<int>(i / 4), static_cast<int>(i % 4));
        fields_.push_back(edit);
        connect(edit, &QLineEdit::textEdited, this, [this, i, edit] {
            ApplyHexEdit(logic_.Fields(), i, edit,
                         i + 1 < fields_.size() ? fields_[i + 1] : nullptr);
        });
    }
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto* send = new QPushButton("&Send", this);
    buttons->addWidget(send);
    connect(send, &QPushButton::clicked, this, [this] {
        logic_.Send();
        Refresh();
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

void CPasswordDlg::accept() {
    logic_.Ok();
    QDialog::accept();
}

bool CPasswordDlg::eventFilter(QObject* watched, QEvent* event) {
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
