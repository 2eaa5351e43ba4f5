#include "CSelectComPortDlg.h"

#include "WkSelectionList.h"
#include "ui_CSelectComPortDlg.h"

CSelectComPortDlg::CSelectComPortDlg(const WkComPortChoice& choice, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectComPortDlg>()), choice_(choice) {
    ui_->setupUi(this);
    SetUpSelectionList(*this, *ui_->list, *ui_->okButton, *ui_->cancelButton, choice_.Texts());
}

CSelectComPortDlg::~CSelectComPortDlg() = default;

int CSelectComPortDlg::Run() {
    if (std::optional<int> immediate = choice_.ImmediateResult()) {
        return *immediate;
    }
    return exec() == QDialog::Accepted ? Result() : 0;
}

int CSelectComPortDlg::Result() const {
    return choice_.ResultFor(ui_->list->currentRow());
}
