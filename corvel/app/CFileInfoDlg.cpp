#include "CFileInfoDlg.h"

#include "WkFileInfoModel.h"
#include "WkQtText.h"
#include "ui_CFileInfoDlg.h"

CFileInfoDlg::CFileInfoDlg(WkFileInfoModel& model, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CFileInfoDlg>()), model_(model) {
    ui_->setupUi(this);
    setWindowTitle(WkFileInfoModel::kTitle);
    ui_->okButton->setText(WkFileInfoModel::kOkText);
    ui_->cancelButton->setText(WkFileInfoModel::kCancelText);

    using Kind = WkFileInfoModel::RowKind;
    const struct {
        Kind kind;
        QLabel* label;
        QWidget* field;
    } rows[] = {
        {Kind::FileType, ui_->fileTypeLabel, nullptr},
        {Kind::FileName, ui_->fileNameLabel, ui_->fileNameField},
        {Kind::LastEditedWith, ui_->editedLabel, ui_->editedField},
        {Kind::Version, ui_->versionLabel, ui_->versionField},
        {Kind::Type, ui_->typeLabel, ui_->typeField},
        {Kind::SoftwareVersion, ui_->softwareLabel, ui_->softwareField},
        {Kind::Comment, ui_->commentLabel, ui_->commentEdit},
    };
    for (const auto& row : rows) {
        const WkFileInfoModel::Row& content = model_.RowOf(row.kind);
        row.label->setText(Utf8ToQt(content.label));
        row.label->setVisible(content.visible);
        if (auto* line = qobject_cast<QLineEdit*>(row.field)) {
            line->setText(Utf8ToQt(content.value));
        }
        if (row.field != nullptr) {
            row.field->setVisible(content.visible);
        }
    }
    ui_->commentEdit->setPlainText(Utf8ToQt(model_.Comment()).replace("\r\n", "\n"));
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CFileInfoDlg::~CFileInfoDlg() = default;

std::string CFileInfoDlg::Comment() const {
    // The comment keeps the platform's line ends.
    return ui_->commentEdit->toPlainText().replace("\n", "\r\n").toUtf8().toStdString();
}

void CFileInfoDlg::accept() {
    model_.SetComment(Comment());
    if (model_.AcceptAsking()) {
        QDialog::accept();
    }
}
