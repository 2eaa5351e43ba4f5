#include "CSelectReaderDlg.h"

#include "WkSelectionList.h"
#include "ui_CSelectReaderDlg.h"

CSelectReaderDlg::CSelectReaderDlg(const WkReaderChoice& choice, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectReaderDlg>()), choice_(choice) {
    ui_->setupUi(this);
    SetUpSelectionList(*this, *ui_->list, *ui_->okButton, *ui_->cancelButton, choice_.Texts());
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
