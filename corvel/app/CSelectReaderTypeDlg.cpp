#include "CSelectReaderTypeDlg.h"

#include "WkReaderChoice.h"
#include "WkSelectionList.h"
#include "ui_CSelectReaderTypeDlg.h"

CSelectReaderTypeDlg::CSelectReaderTypeDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectReaderTypeDlg>()) {
    ui_->setupUi(this);
    ui_->explanation->setText(kReaderTypeExplanation);
    SetUpSelectionList(*this, *ui_->list, *ui_->okButton, *ui_->cancelButton, ReaderTypeNames());
}

CSelectReaderTypeDlg::~CSelectReaderTypeDlg() = default;

int CSelectReaderTypeDlg::Run() {
    return exec() == QDialog::Accepted ? Result() : 0;
}

int CSelectReaderTypeDlg::Result() const {
    int row = ui_->list->currentRow();
    return row < 0 ? 0 : row + 1;
}
