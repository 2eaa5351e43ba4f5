#include "CSelectReaderDlg.h"

#include "WkQtText.h"
#include "ui_CSelectReaderDlg.h"

CSelectReaderDlg::CSelectReaderDlg(const WkReaderChoice& choice, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectReaderDlg>()), choice_(choice) {
    ui_->setupUi(this);
    ui_->okButton->setText("OK");
    ui_->cancelButton->setText("Cancel");
    for (const std::string& text : choice_.Texts()) {
        ui_->list->addItem(ToQt(text));
    }
    if (ui_->list->count() > 0) {
        ui_->list->setCurrentRow(0);
    }
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        ui_->list->setCurrentItem(item);
        accept();
    });
}

CSelectReaderDlg::~CSelectReaderDlg() = default;

std::optional<WkReaderSelection> CSelectReaderDlg::Run() {
    if (choice_.IsEmpty()) {
        return std::nullopt;
    }
    return exec() == QDialog::Accepted ? Result() : std::nullopt;
}

std::optional<WkReaderSelection> CSelectReaderDlg::Result() const {
    return choice_.ResultFor(ui_->list->currentRow());
}
