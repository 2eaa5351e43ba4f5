#pragma once
// "Select a Reader Type": KRA .. KRD, the first selected.

#include <QDialog>
#include <memory>

namespace Ui {
class CSelectReaderTypeDlg;
}

class CSelectReaderTypeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSelectReaderTypeDlg(QWidget* parent = nullptr);
    ~CSelectReaderTypeDlg() override;

    /// Shows the dialog: 1 = KRA .. 4 = KRD, 0 for Cancel.
    int Run();
    /// The selected position + 1, 0 when nothing is selected.
    int Result() const;

private:
    std::unique_ptr<Ui::CSelectReaderTypeDlg> ui_;
};
