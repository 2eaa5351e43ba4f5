#pragma once
// "File Info": shows a document's WkFileInfoModel, rows by the model's display mask, the
// comment the only editable field. OK hands the comment to the model and accepts it.

#include <QDialog>
#include <memory>
#include <string>

class WkFileInfoModel;

namespace Ui {
class CFileInfoDlg;
}

class CFileInfoDlg : public QDialog {
    Q_OBJECT
public:
    /// `model` must outlive the dialog.
    explicit CFileInfoDlg(WkFileInfoModel& model, QWidget* parent = nullptr);
    ~CFileInfoDlg() override;

    /// The comment as edited (UTF-8), with the platform's line ends.
    std::string Comment() const;

    void accept() override;

private:
    std::unique_ptr<Ui::CFileInfoDlg> ui_;
    WkFileInfoModel& model_;
};
