#pragma once
// The COM-Port dialog: opens and closes ports, edits their parameters, switches RTS and DTR,
// watches CTS and DSR, and names the documents that use a port. The steps it takes on a port
// are the port manager's; this window keeps the controls in step with them.

#include <QDialog>
#include <memory>
#include <string>

#include "WkComPortManager.h"

namespace Ui {
class CComPortDlg;
}

class Prompts;
class QListWidget;

class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    /// None of the references is owned; they must outlive the dialog. Line events of the
    /// shown port reach the dialog through `access`'s listener while it exists.
    CComPortDlg(WkComPortManager& manager, WkPortAccess& access, Prompts& prompts,
                QWidget* parent = nullptr);
    ~CComPortDlg() override;

    /// The handle of the port shown (0 = none).
    int ShownPort() const { return shownPort_; }
    /// True while the "Open Port" button opens (false: it closes).
    bool IsOpenMode() const { return openMode_; }

public slots:
    void accept() override;

private:
    void FillPortBox();
    void FillOpenPorts();
    void FillAssociations();
    void EnablePortControls(bool enable);
    void SetOpenMode(bool open);
    void ShowParameters();
    /// Selects the control of a refused library key ("timeout") with the value the user
    /// wanted, so it can be mended.
    void SelectRefused(const std::string& key, const WkPortParams& wanted);
    WkPortParams CollectParameters() const;
    void RefreshLines();
    void ShowLinesOff();
    void SelectPortInBox(int number);
    void SelectOpenPortEntry(int number);
    int ChosenNumber() const;
    std::string ChosenText() const;
    /// On a port whose line settings and modem lines do not reach its line (raw TCP), the line
    /// boxes are disabled and say why.
    void ShowLineControl();
    /// Range checks of the edits, with the standard message; false when one fails.
    bool ValidateEdits();

    void OnPortBoxChanged();
    void OnOpenPortsChanged();
    void OnOpenClose();
    /// False when the port refused a value: the dialog stays open on it.
    bool OnSave();
    void OnTxTimeControl();
    void OnLineBox(const std::string& line, bool on);
    void OnLineEvent(int port, int message, int state);

    std::unique_ptr<Ui::CComPortDlg> ui_;
    WkComPortManager& manager_;
    WkPortAccess& access_;
    Prompts& prompts_;
    WkPortParams params_;
    int shownPort_ = 0;
    bool openMode_ = true;
    bool filling_ = false; // true while the dialog itself changes a list's selection
};
