#include "CProtEditDlg.h"

#include "WkProtocolBytes.h"
#include "WkProtocolItem.h"
#include "WkQtText.h"
#include "ui_CProtEditDlg.h"

CProtEditDlg::CProtEditDlg(Form form, const WkProtocolItem& item, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CProtEditDlg>()) {
    ui_->setupUi(this);
    ui_->okButton->setText("OK");
    ui_->cancelButton->setText("Cancel");
    const bool macro = form == Form::Macro;
    ui_->flagCheck->setText(macro ? "&Halt on Error" : "calculate check&sum");
    ui_->checksumButton->setText("&Calc Chksum");
    ui_->checksumButton->setVisible(macro);
    ui_->protocolEdit->setText(ToQt(item.protocol));
    ui_->commentEdit->setText(ToQt(item.comment));
    ui_->flagCheck->setChecked(item.flag);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->checksumButton, &QPushButton::clicked, this, [this] {
        ui_->protocolEdit->setText(
            ToQt(WkProtocolBytes::WithChecksum(FromQt(ui_->protocolEdit->text()))));
    });
}

CProtEditDlg::~CProtEditDlg() = default;

void CProtEditDlg::TakeInto(WkProtocolItem& item) const {
    item.protocol = FromQt(ui_->protocolEdit->text());
    item.comment = FromQt(ui_->commentEdit->text());
    item.flag = ui_->flagCheck->isChecked();
}
