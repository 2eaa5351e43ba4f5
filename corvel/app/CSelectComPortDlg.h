#pragma once
// "Select a COM-Port": one list of the open ports. With no port or one port it closes at
// once and is never shown.

#include <QDialog>
#include <memory>

#include "WkComPortChoice.h"

namespace Ui {
class CSelectComPortDlg;
}

class CSelectComPortDlg : public QDialog {
    Q_OBJECT
public:
    CSelectComPortDlg(const WkComPortChoice& choice, QWidget* parent = nullptr);
    ~CSelectComPortDlg() override;

    /// Shows the dialog when there is a choice to make; the chosen port handle, 0 for none.
    int Run();
    /// The handle of the selected entry (0 when nothing or "None" is selected).
    int Result() const;

private:
    std::unique_ptr<Ui::CSelectComPortDlg> ui_;
    WkComPortChoice choice_;
};
