#include "CFileInfoDlg.h"

#include "WkQtText.h"
#include "ui_CFileInfoDlg.h"

namespace {

std::string Entry(const std::vector<std::string>& header, std::size_t index) {
    return index < header.size() ? header[index] : std::string();
}

} // namespace

CFileInfoDlg::CFileInfoDlg(const WkFileInfoContent& content, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CFileInfoDlg>()), mask_(content.displayMask) {
    ui_->setupUi(this);
    setWindowTitle("File-Info");
    ui_->okButton->setText("OK");
    ui_->cancelButton->setText("Cancel");
    ui_->fileTypeLabel->setText(ToQt("File Version: " + Entry(content.header, 0)));
    ui_->fileNameLabel->setText("File Name:");
    ui_->fileNameField->setText(ToQt(content.fileName));
    ui_->editedLabel->setText("Last edited with:");
    ui_->editedField->setText(ToQt(Entry(content.header, 2)));
    ui_->versionLabel->setText("Version:");
    ui_->versionField->setText(ToQt(Entry(content.header, 3)));
    ui_->typeLabel->setText(ToQt(content.typeLabel));
    ui_->typeField->setText(ToQt(content.typeName));
    ui_->softwareLabel->setText("Software Version:");
    ui_->softwareField->setText(ToQt(content.softwareVersion));
    ui_->commentLabel->setText("Comment:");
    ui_->commentEdit->setPlainText(ToQt(Entry(content.header, 1)));

    const struct {
        int bit;
        QWidget* label;
        QWidget* field;
    } rows[] = {
        {4, ui_->fileTypeLabel, nullptr},          {8, ui_->fileNameLabel, ui_->fileNameField},
        {1, ui_->editedLabel, ui_->editedField},   {2, ui_->versionLabel, ui_->versionField},
        {16, ui_->typeLabel, ui_->typeField},      {32, ui_->softwareLabel, ui_->softwareField},
        {64, ui_->commentLabel, ui_->commentEdit},
    };
    for (const auto& row : rows) {
        const bool shown = IsRowShown(row.bit);
        row.label->setVisible(shown);
        if (row.field != nullptr) {
            row.field->setVisible(shown);
        }
    }
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CFileInfoDlg::~CFileInfoDlg() = default;

std::string CFileInfoDlg::Comment() const {
    // The comment keeps the platform's line ends.
    return FromQt(ui_->commentEdit->toPlainText().replace("\n", "\r\n"));
}

bool CFileInfoDlg::IsRowShown(int bit) const {
    return (mask_ & bit) != 0;
}
