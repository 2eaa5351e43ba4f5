#include "CSelectReaderTypeDlg.h"

#include "WkQtText.h"
#include "WkReaderChoice.h"
#include "ui_CSelectReaderTypeDlg.h"

CSelectReaderTypeDlg::CSelectReaderTypeDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectReaderTypeDlg>()) {
    ui_->setupUi(this);
    ui_->okButton->setText("OK");
    ui_->cancelButton->setText("Cancel");
    ui_->explanation->setText(kReaderTypeExplanation);
    for (const std::string& name : ReaderTypeNames()) {
        ui_->list->addItem(ToQt(name));
    }
    ui_->list->setCurrentRow(0);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        ui_->list->setCurrentItem(item);
        accept();
    });
}

CSelectReaderTypeDlg::~CSelectReaderTypeDlg() = default;

int CSelectReaderTypeDlg::Run() {
    return exec() == QDialog::Accepted ? Result() : 0;
}

int CSelectReaderTypeDlg::Result() const {
    int row = ui_->list->currentRow();
    return row < 0 ? 0 : row + 1;
}
