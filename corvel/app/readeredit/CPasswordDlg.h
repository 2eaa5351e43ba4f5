#pragma once
// The password and calibration dialogs over WkPasswordDialog: framed, labelled rows of
// two-digit hex fields, one per byte; "&Send", "&Read" (calibration only), OK and Cancel.

#include "WkPasswordDialog.h"

#include <QDialog>
#include <vector>

class QLineEdit;

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordDlg(WkPasswordDialog& logic, QWidget* parent = nullptr);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* AddField(std::size_t index, QWidget* parent);
    void Refresh();
    void FocusField(std::size_t index);

    WkPasswordDialog& logic_;
    std::vector<QLineEdit*> fields_;
    bool refreshing_ = false;
};
