#pragma once
// "File Info": the file-info header of a document, rows shown by the document's display
// mask, the comment the only editable field.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class CFileInfoDlg;
}

/// What the dialog shows.
struct WkFileInfoContent {
    int displayMask = 79;
    std::vector<std::string> header; ///< entries 0 .. 3 are shown; missing ones read as empty
    std::string fileName;
    std::string typeLabel; ///< "Transponder Type:" or "Reader Type:"
    std::string typeName;
    std::string softwareVersion;
};

class CFileInfoDlg : public QDialog {
    Q_OBJECT
public:
    CFileInfoDlg(const WkFileInfoContent& content, QWidget* parent = nullptr);
    ~CFileInfoDlg() override;

    /// The comment as edited.
    std::string Comment() const;
    /// True when the row with this mask bit is shown.
    bool IsRowShown(int bit) const;

private:
    std::unique_ptr<Ui::CFileInfoDlg> ui_;
    int mask_;
};
