#pragma once
// "Edit Protocol": the hex protocol, its flag and its comment. The protocol editor's form
// labels the flag "calculate check&sum"; the macro editor's labels it "&Halt on Error" and
// adds "Calc Chksum", which completes the frame's checksum in the hex text.

#include <QDialog>
#include <memory>

namespace Ui {
class CProtEditDlg;
}
class WkProtocolItem;

class CProtEditDlg : public QDialog {
    Q_OBJECT
public:
    enum class Form { Protocol, Macro };

    /// Shows `item`'s values; `item` is read here and written only by TakeInto.
    CProtEditDlg(Form form, const WkProtocolItem& item, QWidget* parent = nullptr);
    ~CProtEditDlg() override;

    /// Writes the three values into `item`.
    void TakeInto(WkProtocolItem& item) const;

private:
    std::unique_ptr<Ui::CProtEditDlg> ui_;
};
