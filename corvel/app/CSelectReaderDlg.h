#pragma once
// "Select a Reader": one entry per open reader configuration document. With none it closes
// at once and is never shown.

#include <QDialog>
#include <memory>
#include <optional>

#include "WkReaderChoice.h"

namespace Ui {
class CSelectReaderDlg;
}

class CSelectReaderDlg : public QDialog {
    Q_OBJECT
public:
    CSelectReaderDlg(const WkReaderChoice& choice, QWidget* parent = nullptr);
    ~CSelectReaderDlg() override;

    /// Shows the dialog when there is a reader; the chosen one, nothing for Cancel.
    std::optional<WkReaderSelection> Run();
    std::optional<WkReaderSelection> Result() const;

private:
    std::unique_ptr<Ui::CSelectReaderDlg> ui_;
    WkReaderChoice choice_;
};
